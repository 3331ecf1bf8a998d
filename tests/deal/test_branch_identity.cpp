// Who offers: the branch's identity and logo survive an export and an import on both
// engines, a logo is taken only when its bytes are a harmless PNG or SVG, and the client's
// page is signed with the letterhead, the salesperson's contact and the company's line.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "server/client_page/decision_page.h"
#include "server/client_page/page_html.h"
#include "server/migrations/migrations.h"
#include "server/registers/branch_identity.h"
#include "server/registers/logo_image.h"
#include "server/registers/register_export.h"
#include "server/registers/register_import.h"
#include "server/registers/register_logos.h"
#include "server/seed/demo_seed.h"
#include "server/test_storage_engines.h"

using namespace cot::server;
using namespace cot::server::registers;
using cot::server::testing::ScratchDatabase;

namespace {

QByteArray png(int extra = 0) {
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0", 29);
    return bytes + QByteArray(extra, 'x');
}
QByteArray svg(const char* inside, const char* attributes = "") {
    return QByteArray("<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\"") +
           attributes + ">" + inside + "</svg>";
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(LogoCheck, TakesOnlyHarmlessPngOrSvg) {
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* type;  // nullptr: refused
    };
    const Case cases[] = {
        {"png", png(), "image/png"},
        {"png at the cap", png(int(kMaxLogoBytes) - 29), "image/png"},
        {"png over the cap", png(int(kMaxLogoBytes) - 28), nullptr},
        {"empty", QByteArray(), nullptr},
        {"png signature only", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, 'a'), nullptr},
        {"renamed text", "GIF89a not a logo", nullptr},
        {"svg", svg("<defs><linearGradient id=\"g\"/></defs><rect fill=\"url(#g)\" width=\"10\" height=\"10\"/>"),
         "image/svg+xml"},
        {"svg inner link", svg("<use href=\"#r\"/>"), "image/svg+xml"},
        {"script", svg("<script>alert(1)</script>"), nullptr},
        {"event", svg("", " onload=\"alert(1)\""), nullptr},
        {"outside image", svg("<image href=\"https://mal.example/x.png\"/>"), nullptr},
        {"outside use", svg("<use xlink:href=\"https://mal.example/a.svg#x\" xmlns:xlink=\"http://www.w3.org/1999/xlink\"/>"),
         nullptr},
        {"style import", svg("<style>@import 'https://mal.example/a.css';</style>"), nullptr},
        {"style url", svg("<rect style=\"fill:url(https://mal.example/p)\"/>"), nullptr},
        {"foreign object", svg("<foreignObject><p>x</p></foreignObject>"), nullptr},
        {"entities", "<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY a \"aaaa\">]><svg>&a;</svg>", nullptr},
        {"html root", "<html><body>x</body></html>", nullptr},
        {"broken xml", "<svg><g></svg>", nullptr},
    };
    for (const Case& c : cases) {
        const LogoCheck check = checkLogo(c.bytes);
        EXPECT_EQ(std::pair(check.ok(), check.ok() ? check.type : QString()), std::pair(c.type != nullptr, QString(c.type)))
            << c.name << ": " << check.error.toStdString();
    }
}

class BranchIdentityEngines : public ::testing::TestWithParam<std::string> {};

TEST_P(BranchIdentityEngines, IdentityAndLogoTravelThroughTheRegisterFolder) {
    ScratchDatabase demo(GetParam()), fresh(GetParam());
    migrate(demo.db());
    seedDemo(demo.db());
    migrate(fresh.db());
    QTemporaryDir dir;
    const QString out = dir.filePath("cadastros");
    ASSERT_TRUE(exportRegisters(demo.db(), out).ok());
    const BranchIdentity seeded = branchIdentity(demo.db(), "0001");
    EXPECT_EQ(QStringList({seeded.cnpj, seeded.address}),
              QStringList({"11.111.111/0001-91", QString::fromUtf8("Av. Paulista, 1000, São Paulo - SP")}));
    QFile logo(QDir(out).filePath("logo-0001.png"));
    ASSERT_TRUE(logo.open(QIODevice::ReadOnly));
    EXPECT_EQ(logo.readAll(), seeded.logo);

    const ImportResult first = importRegisters(fresh.db(), out);
    ASSERT_TRUE(first.ok()) << first.errors.join('\n').toStdString();
    const BranchIdentity read = branchIdentity(fresh.db(), "0001");
    EXPECT_EQ(QStringList({read.footerLine(), read.logoType}), QStringList({seeded.footerLine(), "image/png"}));
    EXPECT_EQ(read.logo, seeded.logo);
    const SellerContact seller = sellerContact(fresh.db(), "VENDEDOR");
    EXPECT_EQ(QStringList({seller.phone, seller.email}), QStringList({"(11) 98000-1001", "vendedor@demo.local"}));
    // Again: nothing changes, the logo included.
    const ImportResult again = importRegisters(fresh.db(), out);
    ASSERT_TRUE(again.ok());
    for (const FileCounts& f : again.files) EXPECT_EQ(f.inserted + f.changed, 0) << f.fileName.toStdString();

    // A logo that is no image, or names no branch, is refused and nothing is written.
    write(QDir(out).filePath("filial.csv"), "CDFILIAL;NMFILIAL;NRFONEFILI\n0001;Matriz;(11) 1111-1111\n");
    write(QDir(out).filePath("logo-0001.png"), svg("<script>x</script>"));
    write(QDir(out).filePath("logo-0009.svg"), svg("<rect/>"));
    const QString errors = importRegisters(fresh.db(), out).errors.join('\n');
    for (const char* said : {"logo-0001.png: o SVG tem o elemento <script>", "logo-0009.svg: CDFILIAL = 0009 não existe"})
        EXPECT_TRUE(errors.contains(QString::fromUtf8(said))) << errors.toStdString();
    EXPECT_EQ(branchIdentity(fresh.db(), "0001").phone, seeded.phone);
}

INSTANTIATE_TEST_SUITE_P(Engines, BranchIdentityEngines, ::testing::ValuesIn(cot::server::testing::engines()),
                         cot::server::testing::engineName);

TEST(ClientPageChrome, SignedByTheBranchAndTheSalespersonWithInertTexts) {
    OfferIdentity who;
    who.branch.company = "Empresa <b>Demo</b>";
    who.branch.cnpj = "11.111.111/0001-91";
    std::tie(who.branch.logo, who.branch.logoType) = std::pair(png(), QString("image/png"));
    who.seller = {"VERA", "Vera Vendas", "vera@demo.local", "(11) 98000-0000"};
    const QString page = client_page::formsPage("<section id=\"proposta\"></section>", "h", "t/proposta.pdf", who);
    EXPECT_LT(page.indexOf("id=\"timbre\""), page.indexOf("id=\"proposta\""));
    for (const QString& shown :
         {QString("src=\"data:image/png;base64," + png().toBase64() + "\""), QString("Empresa &lt;b&gt;Demo&lt;/b&gt;"),
          QString("<a href=\"mailto:vera@demo.local\">vera@demo.local</a>"),
          QString("<a href=\"tel:11980000000\">(11) 98000-0000</a>")})
        EXPECT_TRUE(page.contains(shown)) << shown.toStdString();
    EXPECT_GT(page.indexOf("id=\"rodape\">Empresa &lt;b&gt;Demo&lt;/b&gt; · CNPJ 11.111.111/0001-91<"),
              page.indexOf("id=\"form-recusa\""));
    EXPECT_FALSE(client_page::decisionTakenPage("<p>x</p>", "Aceita", true, {}, {}).contains("timbre"));
}

}  // namespace
