// Proposal texts on the server: saves with unique codes and orders, the checks before a
// post, the standard-text register and its insertion, regeneration and its undo.
#include <tuple>

#include "data_cases.h"

using namespace cot;

namespace {

const QList<FieldDef> kTextFields{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                                  {"CDTXTPROPFAS", FieldType::String, 20}, {"TXPROPFAS", FieldType::Memo, 0},
                                  {"NRORDEMMSG", FieldType::Float, 0}};

// Demo: proposal 2 (LU/Manutenção, Portuguese, product ERP) has APRES_LU (1) and COND_LU
// (2); proposal 4 (the same kind) has none. GARANTIA is offered only (no place).
class TextMethodsTest : public DemoServerTest {
protected:
    Packet texts(int proposal) { return packet("GetMensagem", {nr(proposal), "01"}); }
    RpcResult save(const QList<RowChange>& changes) {
        return call("SetMensagem", {QVariant::fromValue(Delta{kTextFields, changes})});
    }
    static QVariantList text(int proposal, const QString& code, const QVariant& body, const QVariant& order) {
        return {nr(proposal), "01", code, body, order};
    }
    QString body(int proposal, const QString& code) {
        const QVariantMap key{{"N", nr(proposal)}, {"C", code}};
        return server_.db().scalar("SELECT TXPROPFAS FROM TXTPROPFAS WHERE NRPROPOSFAS = :N AND CDTXTPROPFAS = :C", key).toString();
    }
    int count(const char* table) {
        return DemoServerTest::count(QString("SELECT COUNT(*) FROM %1 WHERE NRPROPOSFAS = :N").arg(table),
                                     {{"N", nr(2)}});
    }
};

TEST_P(TextMethodsTest, TextsKeepTheirCodesAndOrdersUnique) {
    EXPECT_EQ(texts(2).fields, kTextFields) << "the screen's fields, as it sends them back";
    // The checks before a post find only other texts.
    const Packet found = packet("ValidaMsg", {nr(2), "APRES_LU", "01"});
    EXPECT_TRUE(found.rows.size() == 1 && found.value(0, "TXPROPFAS").toString().contains("licença de uso"));
    EXPECT_TRUE(packet("ValidaMsg", {nr(2), "NADA", "01"}).rows.isEmpty());
    EXPECT_TRUE(packet("ValidaMsg", {nr(2), "APRES_LU", "02"}).rows.isEmpty()) << "another version";

    EXPECT_EQ(column(packet("ValidaOrdem", {nr(2), 1, "COND_LU", "01"}), "CDTXTPROPFAS"), QStringList{"APRES_LU"});
    EXPECT_TRUE(packet("ValidaOrdem", {nr(2), 1, "APRES_LU", "01"}).rows.isEmpty()) << "a text is not in its own way";
    EXPECT_EQ(packet("ValidaOrdem", {nr(2), "2", "NOVO", "01"}).rows.size(), 1) << "the order typed as text";
    EXPECT_TRUE(packet("ValidaOrdem", {nr(2), "", "NOVO", "01"}).rows.isEmpty());
    EXPECT_EQ(call("ValidaOrdem", {nr(2), "dois", "NOVO", "01"}).code, -32602);

    ASSERT_TRUE(cot::testing::succeeded(save({{ChangeOp::Insert, {}, text(2, "NOTA", "<p>Nota.</p>", 3.0)}})));
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), QStringList({"APRES_LU", "COND_LU", "NOTA"}));

    // A good text first: the refusal of the second takes it back too.
    const auto afterGood = [&](const QVariantList& row) {
        return save({{ChangeOp::Insert, {}, text(2, "BOA", "<p>Boa.</p>", 8.0)}, {ChangeOp::Insert, {}, row}});
    };
    cot::testing::expectEachRefused(server_.db(), afterGood, {
        {text(2, "NOTA2", "<p>x</p>", 2.0), "Ordem já cadastrada"},
        {text(2, "APRES_LU", "<p>x</p>", 9.0), "Mensagem já cadastrada"},
        {text(2, "NOTA2", "<p>x</p>", 4.5), "Ordem deve ser um número inteiro de 0 a 999."},
        {text(2, "NOTA2", "  ", 4.0), "Mensagem deve ser informada"},
        {text(2, QString(21, u'X'), "<p>x</p>", 4.0), "O campo CDTXTPROPFAS aceita no máximo 20 caracteres."},
    });

    // Two texts swap their orders in one save.
    const Packet p = texts(2);
    QVariantList first = p.rows[0], second = p.rows[1];
    first[4] = 2.0, second[4] = 1.0;
    ASSERT_TRUE(cot::testing::succeeded(save({{ChangeOp::Update, p.rows[0], first}, {ChangeOp::Update, p.rows[1], second}})));
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), QStringList({"COND_LU", "APRES_LU", "NOTA"}));

    // A standard text picked over an existing row replaces its code and body.
    ASSERT_TRUE(cot::testing::succeeded(
        save({{ChangeOp::Update, texts(2).rows[2], text(2, "GARANTIA", "<p>Garantia de 90 dias.</p>", 3.0)}})));
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), QStringList({"COND_LU", "APRES_LU", "GARANTIA"}));

    // Someone else changed the body meanwhile.
    EXPECT_EQ(save({{ChangeOp::Update, text(2, "GARANTIA", "<p>Antiga.</p>", 3.0), text(2, "GARANTIA", "<p>Nova.</p>", 3.0)}}).error,
              "Registro alterado ou excluído por outro usuário.");
    EXPECT_EQ(body(2, "GARANTIA"), "<p>Garantia de 90 dias.</p>");
}

TEST_P(TextMethodsTest, AStandardTextIsAddedOnceAfterTheLast) {
    // The register of standard texts, by code; the dialog's list with nothing checked yet.
    const QStringList codes = column(packet("PesqMsg", {}), "CDPADTXT");
    EXPECT_TRUE(codes.size() == 10 && std::is_sorted(codes.begin(), codes.end())) << codes.join(' ').toStdString();
    const Packet dialog = packet("GetTextoMens", {});
    EXPECT_EQ(column(dialog, "CDPADTXT") + column(dialog, "IDCHECK"), codes + QStringList(codes.size(), "N"));

    // A code the version has (added now or before) is refused, saying so in the answer's
    // text, not as an error: nothing doubles, nothing is overwritten. A blank body takes the
    // register's.
    for (const auto& [code, body, answer] : {std::tuple<QString, QString, QString>{"GARANTIA", "<p>Garantia estendida.</p>", ""},
          {"GARANTIA", "<p>Outra.</p>", "O texto padrão GARANTIA já está na proposta."},
          {"APRES_LU", "", "O texto padrão APRES_LU já está na proposta."}, {"COND_LOC", "", ""}}) {
        const RpcResult r = call("InsTextoProp", {nr(2), "01", code, body});
        EXPECT_EQ(r.error + r.value.toString(), answer) << code.toStdString();
    }
    const Packet p = texts(2);
    EXPECT_EQ(column(p, "CDTXTPROPFAS") + column(p, "NRORDEMMSG"),
              QStringList({"APRES_LU", "COND_LU", "GARANTIA", "COND_LOC", "1", "2", "3", "4"}));
    EXPECT_EQ(body(2, "GARANTIA"), "<p>Garantia estendida.</p>");
    EXPECT_TRUE(body(2, "COND_LOC").contains("cobrada mensalmente"));

    EXPECT_EQ(call("InsTextoProp", {nr(2), "01", "NADA", ""}).value.toString(), "Texto padrão não cadastrado.");
    EXPECT_EQ(call("InsTextoProp", {nr(99), "01", "GARANTIA", ""}).value.toString(), "Proposta não cadastrada.");
    server_.db().exec("DELETE FROM PARAMPROP");
    EXPECT_EQ(call("InsTextoProp", {nr(4), "01", "GARANTIA", ""}).value.toString(), "TipComp_Inf");
    EXPECT_TRUE(texts(4).rows.isEmpty());
}

TEST_P(TextMethodsTest, RegenerationComposesByPlaceAndProductAndCanBeUndone) {
    for (const auto& [code, order, product] : {std::tuple{"INTRO_ERP", 1, "ERP"}, std::tuple{"MODULOS_ERP", 2, "ERP"},
                                                std::tuple{"MODULOS_FOLHA", 2, "FOLHA"}})
        server_.db().exec("INSERT INTO PADTXT (CDPADTXT, IDTIPOPROPFAS, IDIDIOMA, NRORDEMPADTXT, TXPADTXT, CDPROCOMERCI) "
                          "VALUES (:C, 'M', 'POR', :O, :T, :P)",
                          {{"C", code}, {"O", order}, {"T", QString("<p>%1</p>").arg(code)}, {"P", product}});
    // What the user had written: an edited body and a text of his own.
    server_.db().exec("UPDATE TXTPROPFAS SET TXPROPFAS = '<p>Editado.</p>' WHERE NRPROPOSFAS = :N AND CDTXTPROPFAS = 'APRES_LU'",
                      {{"N", nr(2)}});
    ASSERT_TRUE(save({{ChangeOp::Insert, {}, text(2, "PROPRIO", "<p>Meu texto.</p>", 7.0)}}).ok);

    RpcResult r = call("GerarTextoPadraoProp", {nr(2), "01", "M", "POR", "ERP"});
    EXPECT_EQ(r.value.toInt(), 4) << r.error.toStdString();
    const QStringList generated{"APRES_LU", "INTRO_ERP", "COND_LU", "MODULOS_ERP"};
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS") + column(texts(2), "NRORDEMMSG"), generated + QStringList({"1", "2", "3", "4"}));
    // Sent twice: the texts it replaced are still the last ones kept.
    ASSERT_TRUE(call("GerarTextoPadraoProp", {nr(2), "01", "", "", ""}).ok) << "blank: the proposal's own values";
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), generated);
    EXPECT_EQ(count("TXTPROPFASGER"), 1);
    EXPECT_EQ(server_.db().scalar("SELECT DTGERACAO FROM TXTPROPFASGER WHERE NRPROPOSFAS = :N", {{"N", nr(2)}}).toDateTime(),
              QDateTime(QDate(2026, 12, 6), QTime(10, 0)));

    // Nothing applies: refused, the texts stay.
    EXPECT_EQ(call("GerarTextoPadraoProp", {nr(2), "01", "M", "ENG", "ERP"}).error,
              "Não há texto padrão cadastrado para o tipo de proposta, o idioma e o produto comercial informados.");
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), generated);

    // An undo is undone by the next one: nothing is ever lost.
    r = call("RestauraTextoProp", {nr(2), "01"});
    EXPECT_EQ(r.value.toInt(), 3) << r.error.toStdString();
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS") + column(texts(2), "NRORDEMMSG"),
              QStringList({"APRES_LU", "COND_LU", "PROPRIO", "1", "2", "7"}));
    EXPECT_EQ(body(2, "APRES_LU"), "<p>Editado.</p>");
    ASSERT_TRUE(call("RestauraTextoProp", {nr(2), "01"}).ok);
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), generated);

    EXPECT_EQ(call("RestauraTextoProp", {nr(4), "01"}).error, "Não há textos anteriores da proposta para restaurar.");
    // The kept texts go with their proposal.
    server_.db().exec("DELETE FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", nr(2)}});
    EXPECT_EQ(count("TXTPROPFASGER") + count("TXTPROPFASHIST"), 0);
}

TEST_P(TextMethodsTest, PrintingFillsOnlyAVersionWithoutTexts) {
    for (int proposal : {2, 4}) EXPECT_EQ(call("AlteraTexto", {nr(proposal), "01"}).value.toInt(), 2) << proposal;
    EXPECT_EQ(count("TXTPROPFASGER"), 0) << "nothing of proposal 2 replaced";
    EXPECT_EQ(column(texts(4), "CDTXTPROPFAS"), QStringList({"APRES_LU", "COND_LU"}));
    EXPECT_EQ(call("AlteraTexto", {nr(99), "01"}).error, "Proposta não cadastrada.");
}

COT_ON_EVERY_BACKEND(TextMethodsTest);

}  // namespace
