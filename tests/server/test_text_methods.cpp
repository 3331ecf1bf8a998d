// Proposal texts on the server: saves with unique codes and orders, the checks before a
// post, the standard-text register and its insertion, regeneration and its undo.
#include <tuple>

#include "data_cases.h"

using namespace cot;

namespace {

const QList<FieldDef> kTextFields{{"NRPROPOSFAS", FieldType::String, 20},
                                  {"NRVERPROPFAS", FieldType::String, 2},
                                  {"CDTXTPROPFAS", FieldType::String, 20},
                                  {"TXPROPFAS", FieldType::Memo, 0},
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
        return server_.db()
            .scalar("SELECT TXPROPFAS FROM TXTPROPFAS WHERE NRPROPOSFAS = :N AND CDTXTPROPFAS = :C",
                    {{"N", nr(proposal)}, {"C", code}})
            .toString();
    }
    int count(const char* table) {
        return server_.db().scalar(QString("SELECT COUNT(*) FROM %1 WHERE NRPROPOSFAS = :N").arg(table), {{"N", nr(2)}}).toInt();
    }
};

TEST_P(TextMethodsTest, TextsKeepTheirCodesAndOrdersUnique) {
    RpcResult r = save({{ChangeOp::Insert, {}, text(2, "NOTA", "<p>Nota.</p>", 3.0)}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
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
    const auto movedTo = [](QVariantList row, double order) {
        row[4] = order;
        return row;
    };
    r = save({{ChangeOp::Update, p.rows[0], movedTo(p.rows[0], 2.0)}, {ChangeOp::Update, p.rows[1], movedTo(p.rows[1], 1.0)}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), QStringList({"COND_LU", "APRES_LU", "NOTA"}));

    // A standard text picked over an existing row replaces its code and body.
    const QVariantList before = texts(2).rows[2];
    r = save({{ChangeOp::Update, before, text(2, "GARANTIA", "<p>Garantia de 90 dias.</p>", 3.0)}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), QStringList({"COND_LU", "APRES_LU", "GARANTIA"}));

    // Someone else changed the body meanwhile.
    r = save({{ChangeOp::Update, text(2, "GARANTIA", "<p>Antiga.</p>", 3.0), text(2, "GARANTIA", "<p>Nova.</p>", 3.0)}});
    EXPECT_EQ(r.error, "Registro alterado ou excluído por outro usuário.");
    EXPECT_EQ(body(2, "GARANTIA"), "<p>Garantia de 90 dias.</p>");
}

TEST_P(TextMethodsTest, ChecksBeforeAPostFindOnlyOtherTexts) {
    Packet p = packet("ValidaMsg", {nr(2), "APRES_LU", "01"});
    ASSERT_EQ(p.rows.size(), 1);
    EXPECT_TRUE(p.value(0, "TXPROPFAS").toString().contains("licença de uso"));
    EXPECT_TRUE(packet("ValidaMsg", {nr(2), "NADA", "01"}).rows.isEmpty());
    EXPECT_TRUE(packet("ValidaMsg", {nr(2), "APRES_LU", "02"}).rows.isEmpty()) << "another version";

    EXPECT_EQ(column(packet("ValidaOrdem", {nr(2), 1, "COND_LU", "01"}), "CDTXTPROPFAS"), QStringList{"APRES_LU"});
    EXPECT_TRUE(packet("ValidaOrdem", {nr(2), 1, "APRES_LU", "01"}).rows.isEmpty()) << "a text is not in its own way";
    EXPECT_EQ(packet("ValidaOrdem", {nr(2), "2", "NOVO", "01"}).rows.size(), 1) << "the order typed as text";
    EXPECT_TRUE(packet("ValidaOrdem", {nr(2), "", "NOVO", "01"}).rows.isEmpty());
    EXPECT_EQ(call("ValidaOrdem", {nr(2), "dois", "NOVO", "01"}).code, -32602);
}

TEST_P(TextMethodsTest, TheRegisterOfStandardTexts) {
    const QStringList codes = column(packet("PesqMsg", {}), "CDPADTXT");
    EXPECT_EQ(codes.size(), 10);
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));

    const Packet dialog = packet("GetTextoMens", {});
    EXPECT_EQ(column(dialog, "CDPADTXT"), codes);
    EXPECT_EQ(column(dialog, "IDCHECK"), QStringList(codes.size(), "N")) << "nothing checked yet";
}

TEST_P(TextMethodsTest, AStandardTextIsAddedOnceAfterTheLast) {
    // A code the version has (added now or before) is refused, saying so in the answer's
    // text, not as an error: nothing doubles, nothing is overwritten. A blank body takes the
    // register's.
    for (const auto& [code, body, answer] :
         {std::tuple<QString, QString, QString>{"GARANTIA", "<p>Garantia estendida.</p>", ""},
          {"GARANTIA", "<p>Outra.</p>", "O texto padrão GARANTIA já está na proposta."},
          {"APRES_LU", "", "O texto padrão APRES_LU já está na proposta."}, {"COND_LOC", "", ""}}) {
        const RpcResult r = call("InsTextoProp", {nr(2), "01", code, body});
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.value.toString(), answer) << code.toStdString();
    }
    Packet p = texts(2);
    EXPECT_EQ(column(p, "CDTXTPROPFAS"), QStringList({"APRES_LU", "COND_LU", "GARANTIA", "COND_LOC"}));
    EXPECT_EQ(column(p, "NRORDEMMSG"), QStringList({"1", "2", "3", "4"}));
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
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.value.toInt(), 4);
    const QStringList generated{"APRES_LU", "INTRO_ERP", "COND_LU", "MODULOS_ERP"};
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), generated);
    EXPECT_EQ(column(texts(2), "NRORDEMMSG"), QStringList({"1", "2", "3", "4"}));
    // Sent twice: the texts it replaced are still the last ones kept.
    ASSERT_TRUE(call("GerarTextoPadraoProp", {nr(2), "01", "", "", ""}).ok) << "blank: the proposal's own values";
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), generated);
    EXPECT_EQ(count("TXTPROPFASGER"), 1);
    EXPECT_EQ(server_.db().scalar("SELECT DTGERACAO FROM TXTPROPFASGER WHERE NRPROPOSFAS = :N", {{"N", nr(2)}}).toDateTime(),
              QDateTime(QDate(2026, 12, 6), QTime(10, 0)));

    // Nothing applies: refused, the texts stay.
    r = call("GerarTextoPadraoProp", {nr(2), "01", "M", "ENG", "ERP"});
    EXPECT_EQ(r.error, "Não há texto padrão cadastrado para o tipo de proposta, o idioma e o produto comercial informados.");
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), generated);

    // An undo is undone by the next one: nothing is ever lost.
    r = call("RestauraTextoProp", {nr(2), "01"});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.value.toInt(), 3);
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), QStringList({"APRES_LU", "COND_LU", "PROPRIO"}));
    EXPECT_EQ(column(texts(2), "NRORDEMMSG"), QStringList({"1", "2", "7"}));
    EXPECT_EQ(body(2, "APRES_LU"), "<p>Editado.</p>");
    ASSERT_TRUE(call("RestauraTextoProp", {nr(2), "01"}).ok);
    EXPECT_EQ(column(texts(2), "CDTXTPROPFAS"), generated);

    r = call("RestauraTextoProp", {nr(4), "01"});
    EXPECT_EQ(r.error, "Não há textos anteriores da proposta para restaurar.");
    // The kept texts go with their proposal.
    server_.db().exec("DELETE FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", nr(2)}});
    EXPECT_EQ(count("TXTPROPFASGER"), 0);
    EXPECT_EQ(count("TXTPROPFASHIST"), 0);
}

TEST_P(TextMethodsTest, PrintingFillsOnlyAVersionWithoutTexts) {
    for (int proposal : {2, 4}) {
        const RpcResult r = call("AlteraTexto", {nr(proposal), "01"});
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.value.toInt(), 2) << proposal;
    }
    EXPECT_EQ(count("TXTPROPFASGER"), 0) << "nothing of proposal 2 replaced";
    EXPECT_EQ(column(texts(4), "CDTXTPROPFAS"), QStringList({"APRES_LU", "COND_LU"}));
    EXPECT_EQ(call("AlteraTexto", {nr(99), "01"}).error, "Proposta não cadastrada.");
}

COT_ON_EVERY_BACKEND(TextMethodsTest);

}  // namespace
