#include "server/methods/version_compare_snapshot.h"

#include <QSet>

#include "data/format_br.h"
#include "server/methods/read_support.h"
#include "server/methods/version_compare.h"
#include "server/storage/database.h"

namespace cot::server::version_compare::snapshot {

namespace {

using namespace read;

// Rich texts are compared whole; the reader sees their beginning.
constexpr int kShownText = 300;

enum class Kind { Text, Money, Number, Date, RichText };

struct Column {
    const char* name;
    const char* label;
    Kind kind;
};

QString shown(const QVariant& v, Kind kind) {
    if (v.isNull() || !v.isValid()) return {};
    switch (kind) {
        case Kind::Text: return v.toString().trimmed();
        case Kind::Money: return formatMoney(static_cast<long double>(v.toDouble()));
        case Kind::Number: return formatFloatGeneral(static_cast<long double>(v.toDouble()));
        case Kind::Date: return formatDate(v.toDateTime());
        case Kind::RichText: {
            const QString plain = plainText(v.toString());
            return plain.size() > kShownText ? plain.left(kShownText) + QStringLiteral("…") : plain;
        }
    }
    return {};
}

// Whole text of a rich text for matching, the shortened one for reading.
QString compared(const QVariant& v, Kind kind) {
    return kind == Kind::RichText ? plainText(v.toString()) : shown(v, kind);
}

QList<FieldDef> shapeOf(const QList<Column>& columns, const QList<FieldDef>& extra = {}) {
    QList<FieldDef> shape = extra;
    for (const Column& c : columns) {
        const QString name = QString::fromLatin1(c.name);
        switch (c.kind) {
            case Kind::Money:
            case Kind::Number: shape << FieldDef{name, FieldType::Float, 0}; break;
            case Kind::Date: shape << FieldDef{name, FieldType::DateTime, 0}; break;
            case Kind::RichText: shape << FieldDef{name, FieldType::Memo, 0}; break;
            case Kind::Text: shape << FieldDef{name, FieldType::String, 0}; break;
        }
    }
    return shape;
}

QString select(const QList<Column>& columns, const QString& alias = QString()) {
    QStringList names;
    for (const Column& c : columns) names << alias + QString::fromLatin1(c.name);
    return names.join(QStringLiteral(", "));
}

QList<Value> valuesOf(const Packet& p, int row, const QList<Column>& columns) {
    QList<Value> out;
    for (const Column& c : columns) {
        const QVariant v = p.value(row, QString::fromLatin1(c.name));
        out << Value{QString::fromLatin1(c.name), QString::fromUtf8(c.label), shown(v, c.kind), compared(v, c.kind)};
    }
    return out;
}

QString cellText(const Packet& p, int row, const char* name) {
    return p.value(row, QString::fromLatin1(name)).toString().trimmed();
}

const QList<Column> kHeader{{"IDSOLPROPFAS", "Solicitação", Kind::Text},
                            {"IDCLIENPROSP", "Cliente ou prospect", Kind::Text},
                            {"CDCLIENTE", "Cliente", Kind::Text},
                            {"CDPROSPECT", "Prospect", Kind::Text},
                            {"NRCONTATO", "Contato", Kind::Text},
                            {"DSREFECONT", "Referência do contato", Kind::Text},
                            {"DSREFEPROPOSFAS", "Referência", Kind::Text},
                            {"DTPROPOSFAS", "Data", Kind::Date},
                            {"DTVALPROPFAS", "Validade", Kind::Date},
                            {"DTACEPROPFAS", "Aceite", Kind::Date},
                            {"CDOPERSOLI", "Solicitante", Kind::Text},
                            {"CDOPERINCL", "Incluída por", Kind::Text},
                            {"CDOPERRESP", "Responsável", Kind::Text},
                            {"IDTIPOPROPFAS", "Tipo de contrato", Kind::Text},
                            {"CDPROCOMERCI", "Produto comercial", Kind::Text},
                            {"IDIDIOMA", "Idioma", Kind::Text},
                            {"CDINDICE1", "Índice 1", Kind::Text},
                            {"CDTPINDICE1", "Tipo do índice 1", Kind::Text},
                            {"IDPERVALOR1", "Percentual ou valor 1", Kind::Text},
                            {"VRPEINCIND1", "Incidência do índice 1", Kind::Number},
                            {"CDINDICE2", "Índice 2", Kind::Text},
                            {"CDTPINDICE2", "Tipo do índice 2", Kind::Text},
                            {"IDPERVALOR2", "Percentual ou valor 2", Kind::Text},
                            {"VRPEINCIND2", "Incidência do índice 2", Kind::Number},
                            {"IDTPREAJPROP", "Tipo de reajuste", Kind::Text},
                            {"NRMESREAJPROP", "Mês de reajuste", Kind::Text},
                            {"IDTIPOCOBRSERV", "Cobrança dos serviços", Kind::Text},
                            {"VRPACOTESERV", "Valor do pacote de serviços", Kind::Money},
                            {"DSEMAIPROFAS", "E-mail", Kind::Text},
                            {"NRFAXPROPFAS", "Fax", Kind::Text},
                            {"CDINTECLIE", "Interlocutor do cliente", Kind::Text},
                            {"CDINTEPROS", "Interlocutor do prospect", Kind::Text},
                            {"DSOBSPROPFAS", "Observação do cabeçalho", Kind::Text}};

const QList<Column> kLine{{"CDLINPPROPINFOR", "Código", Kind::Text},
                          {"NMLINPPROP", "Nome", Kind::Text},
                          {"IDTIPLINPP", "Tipo", Kind::Text},
                          {"IDAMBLINPP", "Plataforma", Kind::Text},
                          {"NRUSUALINPP", "Usuários", Kind::Number},
                          {"QTMINIMAFATPROP", "Quantidade", Kind::Number},
                          {"VRLICENCUSOPROP", "Licença de uso", Kind::Money},
                          {"VRDESLICUSOPROP", "Desconto na licença", Kind::Money},
                          {"VRMENSALIDAPROP", "Mensalidade", Kind::Money},
                          {"VRDESMENSALPROP", "Desconto na mensalidade", Kind::Money},
                          {"DTCALUSLINPP", "Carência", Kind::Date}};

const QList<Column> kInstallment{{"VENCIMENTO", "Vencimento", Kind::Date}, {"VALOR", "Valor", Kind::Money}};

const QList<Column> kService{{"CDTIPOSERV", "Tipo", Kind::Text},
                             {"DSLOCALPROP", "Local", Kind::Text},
                             {"IDTIPOCOBRPROP", "Modalidade", Kind::Text},
                             {"QTSERVPROP", "Horas", Kind::Number},
                             {"VRHORAPROP", "Valor da hora", Kind::Money},
                             {"VRPEHORAPROP", "Desconto (%)", Kind::Number},
                             {"VRDEHORAPROP", "Valor da hora com desconto", Kind::Money},
                             {"VREXCEDPROP", "Valor da hora excedente", Kind::Money},
                             {"VRPEACHEPROP", "Fator", Kind::Number},
                             {"NRMESREAJPROP", "Mês de reajuste", Kind::Text}};

const QList<Column> kText{{"NRORDEMMSG", "Ordem", Kind::Number}, {"TXPROPFAS", "Texto", Kind::RichText}};

class Reader {
public:
    Reader(Database& db, const QString& number, const QString& version, const QHash<QString, QString>& alias)
        : db_(db), key_(ProposalKey{number, version}.params()), alias_(alias) {}

    Version read() {
        Version v;
        v.sections.append(header());
        v.sections.append(lines());
        v.sections.append(systems());
        v.sections.append(lineInstallments());
        v.sections.append(services());
        v.sections.append(packageInstallments());
        v.sections.append(texts());
        v.sections.append(observation());
        v.totals = proposalTotals(db_, key_.value(QStringLiteral("NR")).toString(),
                                  key_.value(QStringLiteral("VER")).toString())
                       .value_or(ProposalTotals{});
        return v;
    }

private:
    Packet query(const QString& sql, const QList<FieldDef>& shape) { return db_.query(sql, key_, shape); }
    QString lineKey(const QString& code) const { return alias_.value(code, code); }
    QString lineName(const QString& key) const { return lineNames_.value(key, key); }

    Section header() {
        const Packet p =
            query(QStringLiteral("SELECT %1 FROM PROPOSTAFAS WHERE %2").arg(select(kHeader), ProposalKey::condition()),
                  shapeOf(kHeader));
        Section s{QStringLiteral("Cabeçalho"), {}};
        if (!p.isEmpty()) s.items << Item{QString(), QStringLiteral("Proposta"), QString(), valuesOf(p, 0, kHeader)};
        return s;
    }

    Section lines() {
        const Packet p = query(QStringLiteral("SELECT CDLINPPROP, %1 FROM LINPPROP WHERE %2 "
                                              "ORDER BY CDLINPPROPINFOR, CDLINPPROP")
                                   .arg(select(kLine), ProposalKey::condition()),
                               shapeOf(kLine, {stored("SISTLINPPROP", "CDLINPPROP")}));
        Section s{QStringLiteral("Linhas de produto"), {}};
        for (int r = 0; r < p.rows.size(); ++r) {
            const QString key = lineKey(cellText(p, r, "CDLINPPROP"));
            const QString label =
                QStringLiteral("%1 - %2").arg(cellText(p, r, "CDLINPPROPINFOR"), cellText(p, r, "NMLINPPROP"));
            lineNames_.insert(key, cellText(p, r, "CDLINPPROPINFOR"));
            const auto number = [&](const char* name) {
                return static_cast<long double>(p.value(r, QString::fromLatin1(name)).toDouble());
            };
            const long double quantity = number("QTMINIMAFATPROP");
            const QString summary = QStringLiteral("Quantidade %1; licença %2; mensalidade %3")
                                        .arg(formatFloatGeneral(quantity), formatMoney(number("VRLICENCUSOPROP")),
                                             formatMoney(number("VRMENSALIDAPROP")));
            s.items << Item{key, label, summary, valuesOf(p, r, kLine)};
        }
        return s;
    }

    Section systems() {
        const Packet p =
            query(QStringLiteral("SELECT S.CDLINPPROP, S.CDSISTEMA, T.SGSISTEMA, T.NMSISTEMA FROM SISTLINPPROP S "
                                 "LEFT JOIN SISTEMA T ON T.CDSISTEMA = S.CDSISTEMA WHERE %1 "
                                 "ORDER BY S.CDLINPPROP, T.SGSISTEMA, S.CDSISTEMA")
                      .arg(ProposalKey::condition(QStringLiteral("S"))),
                  {stored("SISTLINPPROP", "CDLINPPROP"), stored("SISTLINPPROP", "CDSISTEMA"),
                   stored("SISTEMA", "SGSISTEMA"), stored("SISTEMA", "NMSISTEMA")});
        Section s{QStringLiteral("Sistemas"), {}};
        for (int r = 0; r < p.rows.size(); ++r) {
            const QString line = lineKey(cellText(p, r, "CDLINPPROP"));
            const QString system = cellText(p, r, "CDSISTEMA");
            const QString sigla = cellText(p, r, "SGSISTEMA").isEmpty() ? system : cellText(p, r, "SGSISTEMA");
            const QString label = QStringLiteral("Linha %1: %2").arg(lineName(line), sigla);
            s.items << Item{line + QLatin1Char('/') + system, label, cellText(p, r, "NMSISTEMA"), {}};
        }
        return s;
    }

    // Installments are numbered by due date within their schedule: the n-th of one version
    // is compared with the n-th of the other, so a moved date reads as a change.
    static void addInstallments(Section& s, const Packet& p, int row, int ordinal, const QString& key,
                                const QString& label) {
        const QList<Value> values = valuesOf(p, row, kInstallment);
        s.items << Item{key + QLatin1Char('#') + QString::number(ordinal), label.arg(ordinal),
                        QStringLiteral("%1: %2").arg(values[0].text, values[1].text), values};
    }

    Section lineInstallments() {
        const Packet p =
            query(QStringLiteral("SELECT CDLINPPROP, DTVELUSOPEDP AS VENCIMENTO, VRVELUSOPEDP AS VALOR FROM "
                                 "VENCLINPPROP WHERE %1 ORDER BY CDLINPPROP, DTVELUSOPEDP")
                      .arg(ProposalKey::condition()),
                  shapeOf(kInstallment, {stored("SISTLINPPROP", "CDLINPPROP")}));
        Section s{QStringLiteral("Parcelas da linha"), {}};
        QString previous;
        int ordinal = 0;
        for (int r = 0; r < p.rows.size(); ++r) {
            const QString line = lineKey(cellText(p, r, "CDLINPPROP"));
            ordinal = line == previous ? ordinal + 1 : 1;
            previous = line;
            addInstallments(s, p, r, ordinal, line,
                            QStringLiteral("Linha %1: parcela %2").arg(lineName(line), QStringLiteral("%1")));
        }
        return s;
    }

    Section services() {
        const Packet p =
            query(QStringLiteral("SELECT S.NRSERVPROP, T.NMTIPOSERV, %1 FROM SERVPROP S LEFT JOIN TIPOSERV T "
                                 "ON T.CDTIPOSERV = S.CDTIPOSERV WHERE %2 ORDER BY S.NRSERVPROP")
                      .arg(select(kService, QStringLiteral("S.")), ProposalKey::condition(QStringLiteral("S"))),
                  shapeOf(kService, {stored("SERVPROP", "NRSERVPROP"), stored("TIPOSERV", "NMTIPOSERV")}));
        Section s{QStringLiteral("Serviços"), {}};
        for (int r = 0; r < p.rows.size(); ++r) {
            const auto number = [&](const char* name) {
                return static_cast<long double>(p.value(r, QString::fromLatin1(name)).toDouble());
            };
            const QString sequence = cellText(p, r, "NRSERVPROP");
            const QString summary =
                QStringLiteral("%1 h a %2")
                    .arg(formatFloatGeneral(number("QTSERVPROP")), formatMoney(number("VRDEHORAPROP")));
            s.items << Item{sequence, QStringLiteral("%1 - %2").arg(sequence, cellText(p, r, "NMTIPOSERV")), summary,
                            valuesOf(p, r, kService)};
        }
        const Packet objective =
            query(QStringLiteral("SELECT TXOBJETPROPFAS FROM OBJSERVPROP WHERE %1").arg(ProposalKey::condition()),
                  {memo("TXOBJETPROPFAS")});
        if (!objective.isEmpty()) {
            const QList<Column> column{{"TXOBJETPROPFAS", "Objetivo", Kind::RichText}};
            const QList<Value> values = valuesOf(objective, 0, column);
            s.items << Item{QStringLiteral("objetivo"), QStringLiteral("Objetivo dos serviços"), values[0].text,
                            values};
        }
        return s;
    }

    Section packageInstallments() {
        const Packet p =
            query(QStringLiteral("SELECT DTVENCSERVPROP AS VENCIMENTO, VRVENCSERVPROP AS VALOR FROM VENCSERVPROP "
                                 "WHERE %1 ORDER BY DTVENCSERVPROP")
                      .arg(ProposalKey::condition()),
                  shapeOf(kInstallment));
        Section s{QStringLiteral("Parcelas do pacote"), {}};
        for (int r = 0; r < p.rows.size(); ++r) {
            addInstallments(s, p, r, r + 1, QStringLiteral("pacote"), QStringLiteral("Parcela %1"));
        }
        return s;
    }

    Section texts() {
        const Packet p = query(QStringLiteral("SELECT CDTXTPROPFAS, %1 FROM TXTPROPFAS WHERE %2 "
                                              "ORDER BY NRORDEMMSG, CDTXTPROPFAS")
                                   .arg(select(kText), ProposalKey::condition()),
                               shapeOf(kText, {stored("TXTPROPFAS", "CDTXTPROPFAS")}));
        Section s{QStringLiteral("Textos"), {}};
        for (int r = 0; r < p.rows.size(); ++r) {
            const QString code = cellText(p, r, "CDTXTPROPFAS");
            const QList<Value> values = valuesOf(p, r, kText);
            s.items << Item{code, code, values[1].text, values};
        }
        return s;
    }

    Section observation() {
        const Packet p =
            query(QStringLiteral("SELECT TXOBSPROPFAS FROM OBSPROPFAS WHERE %1").arg(ProposalKey::condition()),
                  {memo("TXOBSPROPFAS")});
        Section s{QStringLiteral("Observação"), {}};
        const QList<Column> column{{"TXOBSPROPFAS", "Observação", Kind::RichText}};
        if (!p.isEmpty()) {
            const QList<Value> values = valuesOf(p, 0, column);
            s.items << Item{QString(), QStringLiteral("Observação"), values[0].text, values};
        }
        return s;
    }

    Database& db_;
    const QVariantMap key_;
    const QHash<QString, QString>& alias_;
    QHash<QString, QString> lineNames_;
};

}  // namespace

QHash<QString, QString> pairedLines(Database& db, const QString& number, const QString& first, const QString& second) {
    const auto codes = [&](const QString& version) {
        QHash<QString, QString> out;  // line code → informed code
        const Packet p = db.query(
            QStringLiteral("SELECT CDLINPPROP, CDLINPPROPINFOR FROM LINPPROP WHERE %1").arg(ProposalKey::condition()),
            ProposalKey{number, version}.params(),
            {stored("LINPPROP", "CDLINPPROP"), stored("LINPPROP", "CDLINPPROPINFOR")});
        for (int r = 0; r < p.rows.size(); ++r)
            out.insert(cellText(p, r, "CDLINPPROP"), cellText(p, r, "CDLINPPROPINFOR"));
        return out;
    };
    const QHash<QString, QString> before = codes(first), after = codes(second);
    // Informed code → the unmatched lines carrying it, on each side.
    const auto unmatched = [](const QHash<QString, QString>& side, const QHash<QString, QString>& other) {
        QHash<QString, QStringList> out;
        for (auto it = side.cbegin(); it != side.cend(); ++it)
            if (!other.contains(it.key()) && !it.value().isEmpty()) out[it.value()] << it.key();
        return out;
    };
    const QHash<QString, QStringList> onlyBefore = unmatched(before, after), onlyAfter = unmatched(after, before);
    QHash<QString, QString> alias;
    for (auto it = onlyAfter.cbegin(); it != onlyAfter.cend(); ++it)
        if (it.value().size() == 1 && onlyBefore.value(it.key()).size() == 1)
            alias.insert(it.value().first(), onlyBefore.value(it.key()).first());
    return alias;
}

Version read(Database& db, const QString& number, const QString& version, const QHash<QString, QString>& lineAlias) {
    return Reader(db, number, version, lineAlias).read();
}

}  // namespace cot::server::version_compare::snapshot
