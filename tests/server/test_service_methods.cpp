// Services on the server: a service and the package value it implies saved together,
// refused services leaving nothing behind, sequences issued once, the objective text and
// the mandatory types a prospect proposal lacks.
#include <cmath>

#include "data_cases.h"

using namespace cot;

namespace {

// The service table's fields as the screen sends them, its calculated and joined ones too.
const QList<FieldDef> kServiceFields{
    {"NMTIPOSERV", FieldType::String, 80}, {"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
    {"CDTIPOSERV", FieldType::String, 3}, {"DSLOCALPROP", FieldType::String, 250}, {"IDTIPOCOBRPROP", FieldType::String, 1},
    {"VRPEACHEPROP", FieldType::Float, 0}, {"QTSERVPROP", FieldType::Float, 0}, {"VREXCEDPROP", FieldType::Float, 0},
    {"VRHORAPROP", FieldType::Float, 0}, {"VRDEHORAPROP", FieldType::Float, 0}, {"VRPEHORAPROP", FieldType::Float, 0},
    {"NRSERVPROP", FieldType::String, 3}, {"NRMESREAJPROP", FieldType::String, 2}, {"VRPACOTESERV", FieldType::Float, 0},
    {"VERIFICA_DESCRICAO", FieldType::FixedString, 1}, {"IDSERVOBRIGPROS", FieldType::String, 2}};

// Demo: proposal 2 is charged by package (40 h x 150 + 16 h x 108 = 7728), proposal 5 by
// the hour, proposal 7 by package over three services (13880); proposals 4 and 7 go to
// prospects.
class ServiceMethodsTest : public DemoServerTest {
protected:
    RpcResult save(const QList<RowChange>& changes) {
        return call("SetServico", {QVariant::fromValue(Delta{kServiceFields, changes})});
    }
    Packet services(int proposal) { return packet("GetServico", {nr(proposal), "01"}); }
    // A service row as the grid holds it after a post.
    static QVariantList service(int proposal, const QString& type, double hours, double rate, double invoiced,
                                const QString& sequence = {}) {
        const double discount = 100 - invoiced / rate * 100;
        return {QVariant(), nr(proposal), "01", type, "Na matriz", QVariant(), 1.0, hours, QVariant(), rate, invoiced,
                discount, sequence, QVariant(), 1.0 /* the screen's running value, not stored */, "N", QVariant()};
    }
    static QVariantList with(QVariantList row, const char* field, const QVariant& value) {
        for (int i = 0; i < kServiceFields.size(); ++i)
            if (kServiceFields[i].name == QLatin1String(field)) row[i] = value;
        return row;
    }
    QVariant proposal(int n, const char* column) {
        return server_.db().scalar(QString("SELECT %1 FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N").arg(column), {{"N", nr(n)}});
    }
    double package(int n) { return proposal(n, "VRPACOTESERV").toDouble(); }
    // Every stored service of `n` deleted.
    QList<RowChange> deletes(int n) {
        QList<RowChange> out;
        for (const QVariantList& row : services(n).rows) out.append({ChangeOp::Delete, row, {}});
        return out;
    }

    QList<qint64> installments(int proposal) {
        const Packet p = server_.db().query(
            "SELECT VRVENCSERVPROP FROM VENCSERVPROP WHERE NRPROPOSFAS = :N ORDER BY DTVENCSERVPROP", {{"N", nr(proposal)}});
        QList<qint64> out;
        for (const QVariantList& row : p.rows) out << std::llround(row.value(0).toDouble() * 100);
        return out;
    }
};

TEST_P(ServiceMethodsTest, TheServiceAndItsPackageAreSavedTogether) {
    ASSERT_DOUBLE_EQ(package(2), 7728.0);
    EXPECT_EQ(services(2).fields, kServiceFields) << "the screen's fields, as it sends them back";
    // Type typed as "4": padded, the next sequence, the proposal's modality and month.
    RpcResult r = save({{ChangeOp::Insert, {}, service(2, "4", 10, 200, 180)}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(std::pair(r.value.toDouble(), package(2)), std::pair(9528.0, 9528.0)) << "7728 + 10 h x 180";
    Packet p = services(2);
    ASSERT_EQ(p.rows.size(), 3);
    EXPECT_EQ(column(p, "NRSERVPROP") + column(p, "VRPACOTESERV"), QStringList({"001", "002", "003", "9528", "9528", "9528"}));
    EXPECT_EQ(cot::testing::cells(p, 2, {"CDTIPOSERV", "NMTIPOSERV", "IDTIPOCOBRPROP", "NRMESREAJPROP", "VREXCEDPROP"}),
              (QStringList{"004", "Customização", "P", proposal(2, "NRMESREAJPROP").toString(), "200"}));

    // Fewer hours: the package follows.
    ASSERT_TRUE(cot::testing::succeeded(r = save({{ChangeOp::Update, p.rows[2], with(p.rows[2], "QTSERVPROP", 5.0)}})));
    EXPECT_DOUBLE_EQ(package(2), 8628.0);

    // A row that only carries the screen's running value changes nothing stored but the
    // package, which is the services' own.
    p = services(2);
    ASSERT_TRUE(cot::testing::succeeded(r = save({{ChangeOp::Update, p.rows[0], with(p.rows[0], "VRPACOTESERV", 1.0)}})));
    EXPECT_DOUBLE_EQ(r.value.toDouble(), 8628.0);

    // Every service deleted: nothing left to charge.
    ASSERT_TRUE(cot::testing::succeeded(r = save(deletes(2))));
    EXPECT_EQ(std::pair(r.value.toDouble(), package(2)), std::pair(0.0, 0.0));

    // One objective of the services per version.
    const QList<FieldDef> fields{
        {"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2}, {"TXOBJETPROPFAS", FieldType::Memo, 0}};
    auto insert = [&](int proposal, const QString& objective) {
        return call("SetObjServico", {QVariant::fromValue(Delta{fields, {{ChangeOp::Insert, {}, {nr(proposal), "01", objective}}}})});
    };
    ASSERT_TRUE(cot::testing::succeeded(insert(3, "<p>Implantar em 30 dias.</p>")));
    EXPECT_EQ(insert(3, "<p>Outro.</p>").error, "Objetivo dos serviços já cadastrado na proposta.");
    EXPECT_EQ(insert(99, "<p>x</p>").error, "Proposta não cadastrada.");
    const Packet objective = packet("GetObjServico", {nr(3), "01"});
    EXPECT_EQ(objective.fields, fields);
    EXPECT_EQ(column(objective, "TXOBJETPROPFAS"), QStringList{"<p>Implantar em 30 dias.</p>"});
}

// The package schedule moves with the package in SetServico's own transaction: nothing is
// left for a second call that could be refused or never come.
TEST_P(ServiceMethodsTest, TheScheduleFollowsThePackageInTheSameCall) {
    ASSERT_EQ(installments(2), (QList<qint64>{257600, 257600, 257600}));
    ASSERT_TRUE(cot::testing::succeeded(save({{ChangeOp::Insert, {}, service(2, "003", 10, 180, 180)}})));
    EXPECT_EQ(installments(2), (QList<qint64>{317600, 317600, 317600})) << "each keeps its share of 9528";

    // A refused change log leaves package and schedule as they were.
    EXPECT_FALSE(save({{ChangeOp::Insert, {}, with(service(2, "003", 1, 100, 100), "CDTIPOSERV", "99")}}).ok);
    EXPECT_EQ(installments(2), (QList<qint64>{317600, 317600, 317600}));

    // Free services (discount of 100 %) leave a package of 0: the schedule is spread to
    // zeros, not dropped, so the approval still finds it.
    QList<RowChange> updates;
    for (const QVariantList& row : services(2).rows)
        updates.append({ChangeOp::Update, row, with(with(row, "VRDEHORAPROP", 0.0), "VRPEHORAPROP", 100.0)});
    ASSERT_TRUE(save(updates).ok);
    EXPECT_EQ(std::pair(package(2), installments(2)), std::pair(0.0, QList<qint64>{0, 0, 0}));

    // No service left: no schedule either.
    ASSERT_TRUE(save(deletes(2)).ok);
    EXPECT_TRUE(installments(2).isEmpty());

    // A first service's installment of the package cut to the cent, never before the
    // proposal's date: Services.TheFirstServiceOfAPackageGetsOneInstallmentOfTheWholePackageCutToTheCent
    // (screens) saves it through this call.

    // A first service that is free starts its schedule all the same, at 0.
    ASSERT_TRUE(save({{ChangeOp::Insert, {}, service(2, "001", 4, 150, 0)}}).ok);
    EXPECT_EQ(installments(2), QList<qint64>{0});
}

// Whatever the charging, a new service with no installment stored brings the first one,
// of the proposal's package value: 0 by the hour, never charged while the proposal is so.
TEST_P(ServiceMethodsTest, AnHourlyProposalsNewServiceBringsAFirstInstallmentOfItsPackage) {
    // Changing a stored service is no new service: nothing to start.
    Packet p = services(5);
    ASSERT_TRUE(save({{ChangeOp::Update, p.rows[0], with(p.rows[0], "QTSERVPROP", 25.0)}}).ok);
    EXPECT_TRUE(installments(5).isEmpty());

    // The proposal keeps its own value, and the service is charged by the hour.
    const double before = package(5);
    const RpcResult r = save({{ChangeOp::Insert, {}, service(5, "001", 8, 150, 150)}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(std::pair(r.value.toDouble(), package(5)), std::pair(before, before));
    EXPECT_EQ(services(5).value(2, "IDTIPOCOBRPROP").toString(), "H");
    EXPECT_EQ(installments(5), QList<qint64>{0});

    // Accepted by the hour (proposal 5 made a proposal, no longer a request), the installment
    // is no charge.
    server_.db().exec("UPDATE PROPOSTAFAS SET IDSOLPROPFAS = 'N' WHERE NRPROPOSFAS = :N", {{"N", nr(5)}});
    ASSERT_TRUE(cot::testing::succeeded(
        call("AceiteProposta", {nr(5), "01", proposal(5, "CDCLIENTE"), "2026-12-06", "07", "0001", "VENDEDOR"})));
    EXPECT_EQ(server_.db().scalar("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", {{"N", nr(5)}}).toInt(), 0);
}

TEST_P(ServiceMethodsTest, ARefusedChangeWritesNeitherServiceNorPackage) {
    // A good service first: the refusal of the second takes it back too.
    const QVariantList good = service(7, "003", 4, 180, 180);
    const auto afterGood = [&](const QVariantList& row) { return save({{ChangeOp::Insert, {}, good}, {ChangeOp::Insert, {}, row}}); };
    cot::testing::expectEachRefused(server_.db(), afterGood, {
        {with(good, "CDTIPOSERV", ""), "Serviço deve ser informado"}, {with(good, "CDTIPOSERV", "99"), "Serviço não cadastrado"},
        {with(good, "VRPEHORAPROP", 100.01), "Desconto(%) deve estar entre 0% e 100%."},
        {with(good, "QTSERVPROP", QVariant()), "Quantidade de horas deve ser informada "},
        {with(good, "VRDEHORAPROP", 180.01), "Vr.Hora Faturar não pode ser maior que Vr.Hora Contratual."},
        {with(with(good, "VRHORAPROP", 0.0), "VRDEHORAPROP", 0.0), "Valor Hora deve ser maior que zero"},
        {with(good, "VRDEHORAPROP", -5.0), "Valor hora com desconto não pode ser negativo"},
        {with(good, "QTSERVPROP", -4.0), "Quantidade de horas não pode ser negativa."},
        {with(good, "DSLOCALPROP", QString(251, u'x')), "O campo DSLOCALPROP aceita no máximo 250 caracteres."},
        {with(good, "NRSERVPROP", "001"), "Serviço já cadastrado na proposta com essa sequência."},
    });

    // Someone else changed the hours meanwhile: the whole change log is refused.
    const Packet p = services(7);
    const auto staleUpdate = [&](const QVariantList& stale) {
        return save({{ChangeOp::Delete, p.rows[0], {}}, {ChangeOp::Update, stale, with(stale, "QTSERVPROP", 30.0)}});
    };
    cot::testing::expectEachRefused(server_.db(), staleUpdate,
                                    {{with(p.rows[1], "QTSERVPROP", 23.0), "Registro alterado ou excluído por outro usuário."}});
}

TEST_P(ServiceMethodsTest, SimultaneousNewServicesTakeDistinctSequences) {
    const QVariantList insert{QVariant::fromValue(Delta{kServiceFields, {{ChangeOp::Insert, {}, service(2, "003", 1, 100, 100)}}})};
    EXPECT_EQ(cot::testing::refusalsIn(cot::testing::callAtOnce(server_, 3, 5, "SetServico", [&](int) { return insert; })),
              QStringList());
    const QStringList sequences = column(services(2), "NRSERVPROP");
    EXPECT_EQ(std::pair(sequences.size(), QSet<QString>(sequences.begin(), sequences.end()).size()),
              (std::pair<qsizetype, qsizetype>(2 + 3 * 5, 2 + 3 * 5)));
    EXPECT_DOUBLE_EQ(package(2), 7728.0 + 3 * 5 * 100.0) << "no save lost from the package";
}

TEST_P(ServiceMethodsTest, MandatoryTypesMissingAreAddedOnce) {
    auto missing = [&](int proposal) { return column(packet("GetTipoServObr", {nr(proposal), "01"}), "CDTIPOSERV"); };
    // How many it added; -1 when refused.
    auto added = [&](const QVariantList& args) {
        const RpcResult r = call("InsereServicoAuto", args);
        return r.ok ? r.value.toLongLong() : -1;
    };
    // Proposal 7 quotes both; proposal 4 (a prospect's licence proposal) no service.
    EXPECT_EQ(missing(7) + missing(4), QStringList({"001", "002"}));
    EXPECT_EQ(added({nr(7), "01", "", "T"}), 0);
    EXPECT_EQ(added({nr(4), "01", "", "T"}), 2);
    EXPECT_TRUE(missing(4).isEmpty());
    // The type's default hours and rate, the proposal's charging.
    EXPECT_EQ(cot::testing::cells(services(4), 0, {"NRSERVPROP", "CDTIPOSERV", "QTSERVPROP", "VRHORAPROP", "VRDEHORAPROP",
                                                   "VRPEHORAPROP", "IDTIPOCOBRPROP", "IDSERVOBRIGPROS"}),
              QStringList({"001", "001", "40", "150", "150", "0", "P", "S"}));
    EXPECT_EQ(added({nr(4), "01", "", "T"}), 0) << "never twice";
    EXPECT_EQ(added({nr(4), "01", "3", ""}), 1) << "one type, typed short";
    EXPECT_EQ(added({nr(4), "01", "003", ""}), 0);
    EXPECT_EQ(column(services(4), "NRSERVPROP"), QStringList({"001", "002", "003"}));

    const std::pair<QVariantList, const char*> refusals[] = {
        {{nr(4), "01", "999", ""}, "Serviço não cadastrado"}, {{nr(4), "01", "", ""}, "Serviço deve ser informado"},
        {{nr(99), "01", "", "T"}, "Proposta não cadastrada."},
        {{nr(1), "01", "", "T"}, "Proposta já aceita: seus serviços não podem ser alterados."}};
    for (const auto& [args, message] : refusals) EXPECT_EQ(call("InsereServicoAuto", args).error, QString::fromUtf8(message));
    EXPECT_TRUE(services(1).rows.isEmpty());

    // A package proposal's value counts the services imported with it.
    server_.db().exec("UPDATE PROPOSTAFAS SET IDTIPOCOBRSERV = 'P' WHERE NRPROPOSFAS = :N", {{"N", nr(4)}});
    server_.db().exec("DELETE FROM SERVPROP WHERE NRPROPOSFAS = :N AND CDTIPOSERV = '002'", {{"N", nr(4)}});
    ASSERT_EQ(added({nr(4), "01", "", "T"}), 1);
    const double total =
        server_.db().scalar("SELECT SUM(QTSERVPROP * VRDEHORAPROP) FROM SERVPROP WHERE NRPROPOSFAS = :N", {{"N", nr(4)}}).toDouble();
    EXPECT_GT(total, 0);
    EXPECT_NEAR(package(4), total, 0.001);
    // ... and its schedule too, in the same call: an approval right after finds it adding up.
    EXPECT_EQ(installments(4), QList<qint64>{std::llround(std::trunc(total * 100 + 1e-6))});
}

COT_ON_EVERY_BACKEND(ServiceMethodsTest);

}  // namespace
