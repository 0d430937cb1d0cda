#include "WinHTTPTestSupport.h"
#include "support/Fixtures.h"

namespace mediaconv::test {
namespace {

// Certificates made once per process: one naming 127.0.0.1, one naming
// another host.
struct TCertificates {
  std::string goodCert, goodKey, otherCert, otherKey;
  bool made = false;
};

const TCertificates& Certificates() {
  static const TCertificates certificates = [] {
    TCertificates made;
    const std::string folder = TempFolder("tls");
    made.goodCert = folder + "/good.pem";
    made.goodKey = folder + "/good.key";
    made.otherCert = folder + "/other.pem";
    made.otherKey = folder + "/other.key";
    made.made =
        THttpTestServer::MakeCertificate(made.goodCert, made.goodKey, "127.0.0.1", "IP:127.0.0.1") &&
        THttpTestServer::MakeCertificate(made.otherCert, made.otherKey, "other.example", "DNS:other.example");
    return made;
  }();
  return certificates;
}

class THttpsTest : public THttpTest {
 protected:
  void SetUp() override {
    THttpTest::SetUp();
    ASSERT_TRUE(Certificates().made) << "the openssl CLI could not make the test certificates";
  }

  // Fetches url and returns the events of the run.
  TEvents Fetch(const std::string& url, http::TInternetOptions options) {
    log_.Clear();
    http_.URL = url;
    http_.InternetOptions = options;
    EXPECT_TRUE(http_.StartTransfer());
    EXPECT_TRUE(RunToEnd());
    return log_.events;
  }
};

TEST_F(THttpsTest, SelfSignedCertificateIsRefusedUnlessTheAuthorityCheckIsWaived) {
  THttpTestServer secure(Certificates().goodCert, Certificates().goodKey);
  secure.Handle("/x", [](const THttpRequest&) { return THttpTestServer::Text(200, "secret"); });
  using http::ioIgnoreCertificateInvalid;
  using http::ioIgnoreUnknownCertificateAuthority;
  using http::ioKeepConnection;
  // The main window's own options waive only the name check.
  EXPECT_EQ(Fetch(secure.Url("/x"), {ioKeepConnection}), (TEvents{"OnHostUnreachable", "OnAnyError"}));
  EXPECT_EQ(Fetch(secure.Url("/x"), {ioIgnoreCertificateInvalid, ioKeepConnection}),
            (TEvents{"OnHostUnreachable", "OnAnyError"}));
  EXPECT_EQ(Fetch(secure.Url("/x"), {ioIgnoreUnknownCertificateAuthority}), TEvents{"OnDone"});
  EXPECT_EQ(log_.body, "secret");
  EXPECT_EQ(Fetch(secure.Url("/x"), {http::ioIgnoreCertificateDateInvalid}), TEvents{"OnDone"});
}

TEST_F(THttpsTest, HostNameIsCheckedUnlessWaived) {
  THttpTestServer secure(Certificates().otherCert, Certificates().otherKey);
  secure.Handle("/x", [](const THttpRequest&) { return THttpTestServer::Text(200, "secret"); });
  EXPECT_EQ(Fetch(secure.Url("/x"), {http::ioIgnoreUnknownCertificateAuthority}),
            (TEvents{"OnHostUnreachable", "OnAnyError"}));
  EXPECT_EQ(
      Fetch(secure.Url("/x"), {http::ioIgnoreUnknownCertificateAuthority, http::ioIgnoreCertificateInvalid}),
      TEvents{"OnDone"});
}

TEST_F(THttpsTest, RedirectFromHttpsToHttpIsRefusedUnlessAllowed) {
  THttpTestServer secure(Certificates().goodCert, Certificates().goodKey);
  secure.Handle("/down",
                [&](const THttpRequest&) { return THttpTestServer::Redirect(302, server_.Url("/plain")); });
  server_.Handle("/plain", [](const THttpRequest&) { return THttpTestServer::Text(200, "plain"); });
  std::vector<std::string> redirects;
  http_.OnRedirected = [&](http::TCustomWinHTTP&, const std::string& url) { redirects.push_back(url); };

  EXPECT_EQ(Fetch(secure.Url("/down"), {http::ioIgnoreUnknownCertificateAuthority}),
            (TEvents{"OnHTTPError", "OnAnyError"}));
  EXPECT_EQ(log_.errorCode, 302);
  EXPECT_EQ(server_.RequestCount(), 0u);
  EXPECT_TRUE(redirects.empty());

  EXPECT_EQ(
      Fetch(secure.Url("/down"), {http::ioIgnoreUnknownCertificateAuthority, http::ioIgnoreRedirectToHTTP}),
      TEvents{"OnDone"});
  EXPECT_EQ(log_.body, "plain");
  EXPECT_EQ(redirects, std::vector<std::string>{server_.Url("/plain")});
}

TEST_F(THttpsTest, RedirectFromHttpToHttpsIsFollowed) {
  THttpTestServer secure(Certificates().goodCert, Certificates().goodKey);
  secure.Handle("/up", [](const THttpRequest&) { return THttpTestServer::Text(200, "secure"); });
  server_.Handle("/go",
                 [&](const THttpRequest&) { return THttpTestServer::Redirect(301, secure.Url("/up")); });
  EXPECT_EQ(Fetch(server_.Url("/go"), {http::ioIgnoreUnknownCertificateAuthority}), TEvents{"OnDone"});
  EXPECT_EQ(log_.body, "secure");
}

}  // namespace
}  // namespace mediaconv::test
