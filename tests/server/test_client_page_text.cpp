// The pieces of the client's page that need no server: the stored texts reduced to inert
// text, and the public address the links start with.
#include <gtest/gtest.h>

#include "data/html_text.h"
#include "server/client_page/page_text.h"
#include "server/rpc/server_config.h"
#include "support/qt_printers.h"

using namespace cot;
using namespace cot::server::client_page;

namespace {

TEST(ClientPageText, RichTextBecomesItsPlainTextAndPlainTextStaysAsTyped) {
    EXPECT_EQ(plainTextOfHtml("<!DOCTYPE html><html><head><title>t</title><style>p{}</style></head><body>"
                        "<p>Um&nbsp;&amp; dois</p>\n<p>tr&ecirc;s &#233; &#x41; &ccedil;&atilde;o &bogus; &#0;</p>"
                        "<ul><li>a</li><li>b</li></ul>"
                        "<!-- nota --></body></html>"),
              QString::fromUtf8("Um\u00a0& dois\ntrês é A ção &bogus; &#0;\na\nb"));
    EXPECT_EQ(plainTextOfHtml("Preço < 10 e > 5\nsegunda linha"), "Preço < 10 e > 5\nsegunda linha");
    EXPECT_EQ(plainTextOfHtml("<p>x</p><img src=x onerror=alert(1)><a href=\"javascript:y\">link</a>"), "x\nlink");
    EXPECT_EQ(inertHtml("a <b>\n\"c\" & 'd'"), "a &lt;b&gt;<br>&quot;c&quot; &amp; &#39;d&#39;");
}

TEST(ClientPagePublicUrl, TakesAnHttpOrHttpsAddressOnly) {
    const auto config = [](const QString& url) {
        return server::ServerConfig::fromArgs({"--public-url", url}, QProcessEnvironment(), QString());
    };
    EXPECT_EQ(config("https://propostas.exemplo.com.br/").publicUrl, "https://propostas.exemplo.com.br");
    EXPECT_EQ(config("http://10.0.0.5:8080/propostas").publicUrl, "http://10.0.0.5:8080/propostas");
    for (const char* bad : {"ftp://exemplo.com.br", "propostas.exemplo.com.br", "https://",
                            "https://u:s@exemplo.com.br", "https://exemplo.com.br/?x=1"})
        EXPECT_THROW(config(bad), server::ConfigError) << bad;
}

}  // namespace
