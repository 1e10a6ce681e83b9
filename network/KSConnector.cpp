// The connector factory.
#include "network/KSConnector.h"

#include "network/KSConnectorImpl.h"

namespace KSNetwork {

std::unique_ptr<KSConnector> createConnector(std::string url) {
    return std::make_unique<KSConnectorImpl>(std::move(url));
}

} // namespace KSNetwork
