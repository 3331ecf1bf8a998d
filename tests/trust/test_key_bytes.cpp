// A proposal key is exactly its digits: a number with a blank, a line break, a NUL or a
// digit of another script is no key, whether it travels as an argument or in a delta, old
// or new. Walks the real registry by each method's declared rule, as the access walk does.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <tuple>

#include "server/auth/sign_in_methods.h"
#include "server/methods/register_methods.h"
#include "server/seed/seed_support.h"
#include "support/database_dump.h"
#include "support/packet_cells.h"
#include "support/qt_printers.h"
#include "server/server_cases_a.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kBadNumber = QStringLiteral("Número de proposta inválido: informe os 20 dígitos.");
const QString kBadVersion = QStringLiteral("Versão de proposta inválida: informe os 2 dígitos.");


struct Key {
    QString number, version;
};
// Proposal 10/01 of branch 0001 is ASSIST's own: well-formed, every call below would pass.
const Key kOwn{nr(10), QStringLiteral("01")};

struct Hostile {
    const char* name;
    Key key;
    bool badNumber() const { return key.number != kOwn.number; }
};
void PrintTo(const Hostile& h, std::ostream* os) { *os << h.name; }

const Hostile kHostile[] = {
    {"TrailingBlank", {kOwn.number + u' ', kOwn.version}},
    {"LeadingBlank", {u' ' + kOwn.number, kOwn.version}},
    {"Newline", {kOwn.number + u'\n', kOwn.version}},
    {"Tab", {u'\t' + kOwn.number, kOwn.version}},
    {"Nul", {kOwn.number + QChar(0), kOwn.version}},
    {"ArabicIndicDigit", {kOwn.number.left(19) + QChar(0x0660), kOwn.version}},
    {"FullwidthDigit", {QChar(0xFF10) + kOwn.number.mid(1), kOwn.version}},
    {"VersionTrailingBlank", {kOwn.number, QStringLiteral("01 ")}},
    {"VersionNewline", {kOwn.number, QStringLiteral("01\n")}},
    {"VersionNul", {kOwn.number, QStringLiteral("01") + QChar(0)}},
    {"VersionOneDigit", {kOwn.number, QStringLiteral("1")}},
    {"VersionArabicIndic", {kOwn.number, QString(QChar(0x0660)) + QChar(0x0661)}},
    {"VersionFullwidth", {kOwn.number, QString(QChar(0xFF10)) + QChar(0xFF11)}},
};

server::MethodRegistry realRegistry() {
    server::MethodRegistry r;
    server::registerAllMethods(r);
    server::registerSignInMethods(r, {});
    return r;
}

QJsonArray fieldList(const QStringList& extra = {}) {
    QJsonArray fields{QJsonObject{{"name", "NRPROPOSFAS"}, {"type", "string"}, {"size", 21}},
                      QJsonObject{{"name", "NRVERPROPFAS"}, {"type", "string"}, {"size", 3}}};
    for (const QString& name : extra) fields.append(QJsonObject{{"name", name}, {"type", "string"}, {"size", 100}});
    return fields;
}

QJsonArray row(const Key& k, const QStringList& rest = {}) {
    QJsonArray r{k.number, k.version};
    for (const QString& v : rest) r.append(v);
    return r;
}

QJsonObject delta(const QJsonArray& fields, const QJsonObject& change) {
    return {{"fields", fields}, {"changes", QJsonArray{change}}};
}

// The hostile key as each kind of change carries it: a new row, a removed one, one
// changed in place, and his own row moved onto it.
std::vector<std::pair<const char*, QJsonObject>> changesWith(const Key& bad) {
    return {{"insert", QJsonObject{{"op", "insert"}, {"new", row(bad)}}},
            {"delete", QJsonObject{{"op", "delete"}, {"old", row(bad)}}},
            {"update", QJsonObject{{"op", "update"}, {"old", row(bad)}, {"new", row(bad)}}},
            {"move", QJsonObject{{"op", "update"}, {"old", row(kOwn)}, {"new", row(bad)}}}};
}

class KeyBytes : public ::testing::TestWithParam<std::tuple<Backend, Hostile>> {
protected:
    KeyBytes() : server_({.backend = std::get<0>(GetParam()), .seed = true}) { token_ = server_.openSession("ASSIST"); }

    void expectRefused(const QString& method, const QJsonArray& args, const std::string& how) {
        const QJsonObject reply = server_.callAs(token_, method, args);
        EXPECT_EQ(reply["error"].toObject()["message"].toString(), hostile().badNumber() ? kBadNumber : kBadVersion)
            << method.toStdString() << " " << how << " answered "
            << QJsonDocument(reply).toJson(QJsonDocument::Compact).toStdString();
    }
    const Hostile& hostile() const { return std::get<1>(GetParam()); }

    TestServer server_;
    QByteArray token_;
};

TEST_P(KeyBytes, EveryMethodNamingAProposalOrAVersionRefusesTheKeyAndWritesNothing) {
    const server::MethodRegistry registry = realRegistry();
    const QString before = wholeDatabase(server_.db());
    int walked = 0;
    for (const QString& name : registry.names()) {
        const server::AccessRule& rule = registry.find(name)->access;
        if (!rule.namesProposal()) continue;
        ++walked;
        // Branch and operator arguments are his own: the key is all that is wrong.
        QJsonArray args;
        for (int i = 0; i < registry.find(name)->maxArgc; ++i) args.append(QString());
        for (int i : rule.branchArgs()) args[i] = "0001";
        for (int i : rule.selfArgs()) args[i] = "ASSIST";
        std::vector<int> deltas = rule.childDeltas();
        if (rule.headerDeltaArg()) deltas.push_back(*rule.headerDeltaArg());
        for (int d : deltas) args[d] = QJsonValue::Null;
        if (rule.numberArg() >= 0) {
            args[rule.numberArg()] = hostile().key.number;
            if (rule.versionArg() >= 0) args[rule.versionArg()] = hostile().key.version;
            if (rule.versionArg() >= 0 || hostile().badNumber()) expectRefused(name, args, "in its arguments");
            args[rule.numberArg()] = kOwn.number;
            if (rule.versionArg() >= 0) args[rule.versionArg()] = kOwn.version;
        }
        for (int d : deltas)
            for (const auto& [op, change] : changesWith(hostile().key)) {
                QJsonArray withDelta = args;
                withDelta[d] = delta(fieldList(), change);
                expectRefused(name, withDelta, "delta arg " + std::to_string(d) + " " + op);
            }
        ASSERT_EQ(firstDifference(before, wholeDatabase(server_.db())), "") << name.toStdString() << " wrote";
    }
    EXPECT_GE(walked, 45);

    // Keys no rule names: a typed version looked up, a copy's new version, a second version compared.
    const Key& bad = hostile().key;
    expectRefused("ValidaProposta", {"0001", bad.number, bad.version}, "typed");
    if (!hostile().badNumber()) {
        expectRefused("CopiaDados", {"0001", kOwn.number, kOwn.version, bad.version, "N"}, "as the new version");
        expectRefused("GetComparacaoVersoes", {kOwn.number, kOwn.version, bad.version}, "as the second version");
    }
    EXPECT_EQ(firstDifference(before, wholeDatabase(server_.db())), "");
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyBytes,
                         ::testing::Combine(::testing::ValuesIn(cot::testing::availableBackends()),
                                            ::testing::ValuesIn(kHostile)),
                         [](const auto& info) {
                             return cot::testing::backendName({std::get<0>(info.param), info.index}) +
                                    std::get<1>(info.param).name;
                         });

// Versions stored under a key with a blank or a line break before keys were read exactly
// (the trailing blank was trimmed for the check and kept for the write): such a version
// was nobody's, so anyone could change it.
class StoredBadKeys : public cot::testing::DemoServerTest {
protected:
    // A copy of branch 0002's proposal 14/01 (VENDEDOR's) under `number`.
    void storeUnder(const QString& number) {
        const Packet p = server_.db().query(
            QStringLiteral("SELECT * FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'"), {{"N", nr(14)}});
        ASSERT_EQ(p.rows.size(), 1);
        QVariantMap values;
        for (int c = 0; c < p.fields.size(); ++c) values.insert(p.fields[c].name.toUpper(), p.rows[0][c]);
        values["NRPROPOSFAS"] = number;
        server::detail::insertRow(server_.db(), QStringLiteral("PROPOSTAFAS"), values);
    }
};

// GERENTE may not change another branch's version through a trailing blank (20 characters:
// PostgreSQL's column takes it as it is), nor ASSIST write under a line break, by any change.
TEST_P(StoredBadKeys, NobodyWritesUnderAStoredKeyWithABlankOrALineBreak) {
    const Key blank{nr(97).left(19) + u' ', "01"}, lineBreak{nr(99).left(19) + u'\n', "01"};
    storeUnder(blank.number);
    storeUnder(lineBreak.number);
    const std::map<QString, QByteArray> tokens{{"GERENTE", server_.openSession("GERENTE")}, {"ASSIST", server_.openSession("ASSIST")}};
    const QString before = wholeDatabase(server_.db());
    const struct {
        const char* op;
        QString method, column;
        QJsonObject change;
    } cases[] = {
        {"GERENTE", "SetProposta", "DSREFEPROPOSFAS",
         {{"op", "update"}, {"old", row(blank, {"Filial RJ - treinamento"})}, {"new", row(blank, {"Alterada por outra filial"})}}},
        {"ASSIST", "SetObs", "TXOBSPROPFAS", {{"op", "insert"}, {"new", row(lineBreak, {"Incluída por quem não a vê"})}}},
        {"ASSIST", "SetProposta", "CDOPERINCL",
         {{"op", "update"}, {"old", row(lineBreak, {"VENDEDOR"})}, {"new", row(lineBreak, {"ASSIST"})}}},
        {"ASSIST", "SetProposta", {}, {{"op", "delete"}, {"old", row(lineBreak)}}},
    };
    for (const auto& c : cases) {
        QJsonArray args{delta(fieldList(c.column.isEmpty() ? QStringList() : QStringList{c.column}), c.change)};
        if (c.method == "SetObs") args.append("0");
        const QJsonObject reply = server_.callAs(tokens.at(c.op), c.method, args);
        EXPECT_EQ(reply["error"].toObject()["message"].toString(), kBadNumber) << c.op << " " << c.method.toStdString();
    }
    EXPECT_EQ(firstDifference(before, wholeDatabase(server_.db())), "");
}

COT_ON_EVERY_BACKEND(StoredBadKeys);

}  // namespace
