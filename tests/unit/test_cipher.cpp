

#include "services/cipher.h"
#include "unit_cases.h"

using namespace cot::Criptografa;

namespace {
// Each test gets its own key file and no key from the environment.
class CipherTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("COT_HOST_KEY");
        qunsetenv("COT_HOST_KEY");
        CipherKey::setKeyFile(dir_.filePath("conf/host.key"));
    }
    void TearDown() override {
        CipherKey::setKeyFile({});
        if (saved_.isEmpty()) qunsetenv("COT_HOST_KEY");
        else qputenv("COT_HOST_KEY", saved_);
    }
    QTemporaryDir dir_;
    QByteArray saved_;
};
}  // namespace

TEST_F(CipherTest, RoundTripWithAKeyFileCreatedPrivately) {
    const QString secret = "senha do e-mail: ção|%s\\n";
    const QString stored = Cripto(secret);
    EXPECT_FALSE(stored.contains("senha"));
    EXPECT_NE(Cripto(secret), stored);  // fresh nonce every time
    EXPECT_EQ((QStringList{Uncripto(stored, 2), Uncripto(Cripto("/srv/anexos/"), 2), Uncripto("", 2), Cripto("")}),
              (QStringList{secret, "/srv/anexos/", "", ""}));

    const QFileInfo key(CipherKey::keyFile());
    ASSERT_TRUE(key.exists());
    EXPECT_EQ(key.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
              QFileDevice::Permissions());
    // the same file keeps deciphering (a second process, a later run)
    CipherKey::setKeyFile(key.filePath());
    EXPECT_EQ(Uncripto(stored), secret);
}

TEST_F(CipherTest, WrongKeyOrTamperedTextIsAnErrorNotACrash) {
    const QString stored = Cripto("segredo");
    QByteArray raw = QByteArray::fromBase64(stored.toLatin1());
    raw[raw.size() - 1] = char(raw[raw.size() - 1] ^ 1);
    for (const QString& bad : {QString::fromLatin1(raw.toBase64()), stored.left(stored.size() - 8), QString("abc"),
                               QString("não é base64!"), QString("AAAA")}) {
        EXPECT_THROW(Uncripto(bad, 2), UserError) << bad.toStdString();
    }
    // another machine's key
    qputenv("COT_HOST_KEY", QByteArray(64, 'a'));
    EXPECT_EQ(userErrorOf([&] { Uncripto(stored, 2); }), "Não foi possível decifrar o valor armazenado.");
    // a key in the environment wins over the file, hex or base64 alike
    const QString viaEnv = Cripto("x");
    qputenv("COT_HOST_KEY", QByteArray::fromHex(QByteArray(64, 'a')).toBase64());
    EXPECT_EQ(Uncripto(viaEnv), "x");
    qputenv("COT_HOST_KEY", "curta");
    EXPECT_THROW(Cripto("x"), UserError);
}

TEST_F(CipherTest, CorruptKeyFileIsReported) {
    ASSERT_TRUE(writeFile(CipherKey::keyFile(), "isto não é uma chave"));
    EXPECT_THROW(Cripto("x"), UserError);
}
