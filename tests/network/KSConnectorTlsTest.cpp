// HTTPS against the nginx deployment, whose certificate a CA made for this run signed: refused
// against the system's store with a text a player can act on, accepted with the CA's bundle,
// and refused again with a bundle that cannot be read. Runs with libcurl's OpenSSL natively and
// its Schannel under Wine.
#include "tests/network/ReferenceServerFixture.h"

#include "network/AuthStatus.h"
#include "tests/support/FailureOf.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>

namespace {

class KSConnectorTlsTest : public Testing::ReferenceServerFixture {
protected:
    void SetUp() override {
        ReferenceServerFixture::SetUp();
        if (IsSkipped())
            return;
        if (!std::getenv("BRIGHTWELL_SERVER_TLS_URL"))
            GTEST_SKIP() << "needs the nginx deployment: scripts/with-reference-server.sh --nginx";
        tls = KSNetwork::createConnector(std::string(std::getenv("BRIGHTWELL_SERVER_TLS_URL")) +
                                         "/ksclient/ksserver.php");
    }

    std::string loginFailure() {
        return Testing::failureOf([this] {
            KSNetwork::AuthStatus status;
            EXPECT_TRUE(tls->authenticate(PlayerName, PlayerDigest, &status));
        });
    }

    std::unique_ptr<KSNetwork::KSConnector> tls;
};

TEST_F(KSConnectorTlsTest, OnlyTheConfiguredAuthorityIsTrusted) {
    EXPECT_EQ(loginFailure(), "Error 60 in processing request : The server's identity could not "
                              "be verified (its certificate is not trusted or names another "
                              "server).");
    tls->setCaFile(std::getenv("BRIGHTWELL_SERVER_CA_FILE"));
    EXPECT_EQ(loginFailure(), "");
    Testing::TempFolder folder;
    tls->setCaFile(folder / "missing.pem");
    EXPECT_EQ(loginFailure(),
              "Error 77 in processing request : The launcher's certificate file could not be read.");
}

} // namespace
