#include "server/registers/register_catalogue.h"

#include "data/table_catalogue.h"

namespace cot::server::registers {

namespace {

enum Flag { Key = 1, NotNull = 2, Default = 4, Upper = 8, Lines = 16 };

RegisterColumn column(const char* name, ColumnKind kind, int flags, QStringList allowed = {}) {
    RegisterColumn c;
    c.name = QString::fromLatin1(name);
    c.kind = kind;
    c.key = flags & Key;
    c.notNull = (flags & (Key | NotNull)) != 0;
    c.hasDefault = flags & Default;
    c.upperCase = flags & Upper;
    c.freeText = flags & Lines;
    c.allowed = std::move(allowed);
    return c;
}
RegisterColumn text(const char* name, int flags = 0, QStringList allowed = {}) {
    return column(name, ColumnKind::Text, flags, std::move(allowed));
}
RegisterColumn memo(const char* name, int flags = 0) { return column(name, ColumnKind::Text, flags | Lines); }
RegisterColumn integer(const char* name, int flags = 0) { return column(name, ColumnKind::Integer, flags); }
RegisterColumn real(const char* name, int flags = 0) { return column(name, ColumnKind::Real, flags); }
RegisterColumn date(const char* name, int flags = 0) { return column(name, ColumnKind::DateTime, flags); }

RegisterReference ref(QStringList columns, const char* table) { return {std::move(columns), QString::fromLatin1(table)}; }

const QStringList kActive{"A", "I"};
const QStringList kPerson{"F", "J"};

QList<Register> build() {
    QList<Register> out;
    out << Register{"FILIAL",
                    {text("CDFILIAL", Key), text("NMFILIAL", NotNull), text("NRINSJURFILI"),
                     text("IDSITUFILIAL", Default), integer("NRDIASLEMBRETE"),
                     integer("QTENVIOHORA"), integer("QTENVIODIA"), text("NMEMPRFILI"), text("NRFONEFILI"),
                     text("DSSITEFILI")},
                    {}};
    // Kind 'P' carries the branch's mail account; CDSENHEMAILF travels enciphered, as stored.
    out << Register{"ENDEFILI",
                    {text("CDFILIAL", Key), text("IDTPENDEFILI", Key), text("DSENDEFILI"),
                     text("NMCIDADEFILI"), text("SGESTADOFILI"), text("DSEMAILFILI"),
                     text("CDSENHEMAILF"), text("DSSMTPEMAILF")},
                    {ref({"CDFILIAL"}, "FILIAL")}};
    out << Register{"GRUPOPER", {text("CDGRUPOPER", Key), text("NMGRUPOPER", NotNull)}, {}};
    out << Register{"AUTGRUPOP", {text("CDGRUPOPER", Key), text("IDAUTGRUPOP", Key)},
                    {ref({"CDGRUPOPER"}, "GRUPOPER")}};
    out << Register{"OPERADOR",
                    {text("CDOPERADOR", Key | Upper), text("NMOPERADOR", NotNull),
                     text("IDOPERATIVO", NotNull | Default, kActive), text("DSEMAILOPER"),
                     text("NRFONEOPER")},
                    {}};
    out << Register{"OPERFILI", {text("CDOPERADOR", Key), text("CDFILIAL", Key)},
                    {ref({"CDOPERADOR"}, "OPERADOR"), ref({"CDFILIAL"}, "FILIAL")}};
    out << Register{"OPERGRUPOP", {text("CDGRUPOPER", Key), text("CDOPERADOR", Key)},
                    {ref({"CDGRUPOPER"}, "GRUPOPER"), ref({"CDOPERADOR"}, "OPERADOR")}};
    out << Register{"OPERANEXO", {text("CDOPERADOR", Key)}, {ref({"CDOPERADOR"}, "OPERADOR")}};
    // A client and the prospect it came from name each other; both are checked against the
    // files and the database together, so either may come first.
    out << Register{"CLIENTE",
                    {text("CDCLIENTE", Key), text("NRINSJURCLIE", NotNull),
                     text("IDTPIJURCLIE", NotNull, kPerson), text("NMFANTCLIE", NotNull),
                     text("NMRAZSOCCLIE"), text("DSCOMPLCLIE"), text("NRMESREAJCLIE"),
                     text("CDFILIAL"), text("CDPROSPECT"), text("CDOPERINCL"), date("DTINCLUSAO")},
                    {ref({"CDFILIAL"}, "FILIAL"), ref({"CDPROSPECT"}, "PROSPECT")}};
    out << Register{"ENDECLIE",
                    {text("CDCLIENTE", Key), text("IDTPENDECLIE", Key), text("DSENDECLIE"),
                     text("DSCOMPLENDE"), text("NMBAIRROCLIE"), text("NMCIDADECLIE"),
                     text("SGESTADOCLIE"), text("NRCEPCLIE")},
                    {ref({"CDCLIENTE"}, "CLIENTE")}};
    out << Register{"PROSPECT",
                    {text("CDPROSPECT", Key), text("NRINSJURPROS", NotNull),
                     text("IDTPIJURPROS", NotNull, kPerson), text("NMFANTPROS", NotNull),
                     text("NMRAZSOCPROS"), text("CDFILIAL"), text("CDCLIENTE"), date("DTINCLUSAO")},
                    {ref({"CDFILIAL"}, "FILIAL"), ref({"CDCLIENTE"}, "CLIENTE")}};
    out << Register{"CONTATO",
                    {text("CDFILIAL", Key), text("NRCONTATO", Key), text("IDTPCONTATO", NotNull, {"C", "P"}),
                     text("CDCLIENTE"), text("CDPROSPECT"), text("DSREFECONT", NotNull),
                     text("DSEMAILCONT"), text("NRFONECONT"), date("DTCONTATO")},
                    {ref({"CDFILIAL"}, "FILIAL"), ref({"CDCLIENTE"}, "CLIENTE"), ref({"CDPROSPECT"}, "PROSPECT")}};
    out << Register{"INTECLIE",
                    {text("CDCLIENTE", Key), text("CDINTECLIE", Key), text("NMINTECLIE", NotNull),
                     text("DSEMAILINTE")},
                    {ref({"CDCLIENTE"}, "CLIENTE")}};
    out << Register{"INTEPROS",
                    {text("CDPROSPECT", Key), text("CDINTEPROS", Key), text("NMINTEPROS", NotNull),
                     text("DSEMAILINTE")},
                    {ref({"CDPROSPECT"}, "PROSPECT")}};
    out << Register{"INDICE",
                    {text("CDINDICE", Key), text("CDTPINDICE", Key), text("IDPERVALOR", NotNull, {"P", "F"}),
                     text("SGINDICE", NotNull), text("NMINDICE", NotNull), date("DTULTATUINDI")},
                    {}};
    out << Register{"PRODCOMERCI",
                    {text("CDPROCOMERCI", Key), text("NMPROCOMERCI", NotNull),
                     text("IDSITUPROCOM", NotNull | Default)},
                    {}};
    out << Register{"SISTEMA",
                    {text("CDSISTEMA", Key), text("SGSISTEMA", NotNull), text("NMSISTEMA", NotNull),
                     text("IDTECNOSIST", NotNull), text("IDAMBSIST", NotNull, {"WEB", "WIN", "DOS", "ASP"}),
                     text("CDPROCOMERCI", NotNull), text("IDSITUSIST", NotNull | Default)},
                    {ref({"CDPROCOMERCI"}, "PRODCOMERCI")}};
    out << Register{"TIPOSERV",
                    {text("CDTIPOSERV", Key), text("NMTIPOSERV", NotNull),
                     text("IDSERVOBRIGPROS", NotNull | Default, {"S", "N"}), text("IDTIPOCOBRPADR", Default),
                     real("VRPEACHEPADR", Default), real("QTSERVPADR", Default), real("VRHORAPADR", Default)},
                    {}};
    out << Register{"IDIOMA", {text("IDIDIOMA", Key), text("NMIDIOMA", NotNull)}, {}};
    out << Register{"PADTXT",
                    {text("CDPADTXT", Key), text("IDTIPOPROPFAS", NotNull, {"M", "L", "S"}),
                     text("IDIDIOMA", NotNull), integer("NRORDEMPADTXT"), memo("TXPADTXT"),
                     text("CDPROCOMERCI")},
                    {ref({"IDIDIOMA"}, "IDIOMA"), ref({"CDPROCOMERCI"}, "PRODCOMERCI")}};
    out << Register{"PARAMPROP",
                    {text("IDPARAMPROP", Key), real("VRTXJUROSLICUSO", NotNull | Default),
                     text("DSEMAILCONTRAT")},
                    {}};
    out << Register{"PARAMEMAIL",
                    {text("IDIDIOMA", Key), text("CDPARAMEMAIL", Key), text("DSASSUNPAREMAIL"),
                     text("TXENDERPAREMAIL"), text("TXTEXTOPAREMAIL", Lines),
                     text("IDSITUPARAEMAIL", NotNull | Default, kActive)},
                    {ref({"IDIDIOMA"}, "IDIOMA")}};
    // Sizes as the table catalogue declares them.
    for (Register& reg : out)
        for (RegisterColumn& c : reg.columns)
            if (c.kind == ColumnKind::Text) c.size = catalogue::textSize(reg.table, c.name).value_or(0);
    return out;
}

}  // namespace

bool RegisterColumn::isMemo() const { return kind == ColumnKind::Text && size == catalogue::kMemoCharacters; }

QStringList Register::keyColumns() const {
    QStringList out;
    for (const RegisterColumn& c : columns)
        if (c.key) out << c.name;
    return out;
}

QStringList Register::columnNames() const {
    QStringList out;
    for (const RegisterColumn& c : columns) out << c.name;
    return out;
}

const RegisterColumn* Register::column(const QString& name) const {
    for (const RegisterColumn& c : columns)
        if (c.name == name) return &c;
    return nullptr;
}

const QList<Register>& registerCatalogue() {
    static const QList<Register> catalogue = build();
    return catalogue;
}

const Register* registerByTable(const QString& table) {
    for (const Register& r : registerCatalogue())
        if (r.table == table) return &r;
    return nullptr;
}

const Register* registerForFile(const QString& fileName) {
    for (const Register& r : registerCatalogue())
        if (r.fileName().compare(fileName, Qt::CaseInsensitive) == 0) return &r;
    return nullptr;
}

QString withheldColumnReason(const QString& table, const QString& column) {
    if (table == QLatin1String("OPERADOR") && column == QLatin1String("DSHASHSENHA"))
        return QStringLiteral("a senha do operador não é importada nem exportada; grave-a com "
                              "cot05000-server --set-password OPERADOR");
    return {};
}

}  // namespace cot::server::registers
