// The version check's process-wide record of the manifest half of the server's reply.
#include "states/CheckVersionState.h"

namespace Kestrel {

KSNetwork::ServerStatus manifestStatus;

} // namespace Kestrel
