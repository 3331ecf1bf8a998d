// The server process answers the README's example to curl, compressed or not: sign in,
// then read the list with the session's token.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "support/server_process.h"
#include "support/screen_widgets.h"

using cot::testing::ServerProcess;

namespace {

constexpr const char* kSignIn = R"({"jsonrpc":"2.0","id":1,"method":"AbreSessao","params":["VENDEDOR","vendedor"]})";
constexpr const char* kExample = R"({"jsonrpc":"2.0","id":1,"method":"GetProposta","params":["0001","T"]})";

// As the README writes it: JSON, said so (curl -d alone would call it a form).
QByteArray curl(const QStringList& args) {
    QProcess p;
    p.start("curl", QStringList{"-H", "Content-Type: application/json"} + args);
    p.waitForFinished(30000);
    return p.readAllStandardOutput();
}

}  // namespace

TEST(ServerCurl, TheReadmeExampleReadsTheListWithAndWithoutCompression) {
    if (QStandardPaths::findExecutable("curl").isEmpty()) GTEST_SKIP() << "curl não instalado";
    cot::testing::ensureApplication();  // finds the server next to this test
    ServerProcess server;
    ASSERT_GT(server.port(), 0);
    const QString url = QString("http://127.0.0.1:%1/rpc").arg(server.port());

    EXPECT_TRUE(curl({"-s", "-d", kExample, url}).contains("-32001")) << "no session, no list";
    const QJsonObject opened = QJsonDocument::fromJson(curl({"-s", "-d", kSignIn, url})).object();
    const QString token = opened.value("result").toObject().value("token").toString();
    ASSERT_FALSE(token.isEmpty()) << QJsonDocument(opened).toJson().constData();
    const QString bearer = "Authorization: Bearer " + token;

    const QByteArray plain = curl({"-s", "-H", bearer, "-d", kExample, url});
    const QByteArray compressed = curl({"-s", "-H", bearer, "--compressed", "-d", kExample, url});
    const QJsonObject reply = QJsonDocument::fromJson(compressed).object();
    const QJsonObject list = reply.value("result").toObject();
    EXPECT_FALSE(list.value("fields").toArray().isEmpty()) << compressed.left(300).constData();
    EXPECT_FALSE(list.value("rows").toArray().isEmpty());
    EXPECT_EQ(compressed, plain);

    // What curl received compressed really was compressed.
    const QByteArray headers =
        curl({"-s", "-o", "/dev/null", "-D", "-", "-H", bearer, "-H", "Accept-Encoding: gzip", "-d", kExample, url});
    EXPECT_TRUE(headers.toLower().contains("content-encoding: gzip")) << headers.constData();
}
