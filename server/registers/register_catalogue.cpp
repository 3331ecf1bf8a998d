#include "server/registers/register_catalogue.h"

namespace cot::server::registers {

namespace {

enum Flag { Key = 1, NotNull = 2, Default = 4, Upper = 8 };

RegisterColumn column(const char* name, ColumnKind kind, int size, int flags, QStringList allowed = {}) {
    RegisterColumn c;
    c.name = QString::fromLatin1(name);
    c.kind = kind;
    c.size = size;
    c.key = flags & Key;
    c.notNull = (flags & (Key | NotNull)) != 0;
    c.hasDefault = flags & Default;
    c.upperCase = flags & Upper;
    c.allowed = std::move(allowed);
    return c;
}
RegisterColumn text(const char* name, int size, int flags = 0, QStringList allowed = {}) {
    return column(name, ColumnKind::Text, size, flags, std::move(allowed));
}
RegisterColumn memo(const char* name, int flags = 0) { return column(name, ColumnKind::Text, 0, flags); }
RegisterColumn integer(const char* name, int flags = 0) { return column(name, ColumnKind::Integer, 0, flags); }
RegisterColumn real(const char* name, int flags = 0) { return column(name, ColumnKind::Real, 0, flags); }
RegisterColumn date(const char* name, int flags = 0) { return column(name, ColumnKind::DateTime, 0, flags); }

RegisterReference ref(QStringList columns, const char* table) { return {std::move(columns), QString::fromLatin1(table)}; }

const QStringList kActive{"A", "I"};
const QStringList kPerson{"F", "J"};

QList<Register> build() {
    QList<Register> out;
    out << Register{"FILIAL",
                    {text("CDFILIAL", 4, Key), text("NMFILIAL", 30, NotNull), text("NRINSJURFILI", 20),
                     text("IDSITUFILIAL", 1, Default), integer("NRDIASLEMBRETE")},
                    {}};
    // Kind 'P' carries the branch's mail account; CDSENHEMAILF travels enciphered, as stored.
    out << Register{"ENDEFILI",
                    {text("CDFILIAL", 4, Key), text("IDTPENDEFILI", 1, Key), text("DSENDEFILI", 60),
                     text("NMCIDADEFILI", 40), text("SGESTADOFILI", 2), text("DSEMAILFILI", 40),
                     text("CDSENHEMAILF", 255), text("DSSMTPEMAILF", 40)},
                    {ref({"CDFILIAL"}, "FILIAL")}};
    out << Register{"GRUPOPER", {text("CDGRUPOPER", 4, Key), text("NMGRUPOPER", 40, NotNull)}, {}};
    out << Register{"AUTGRUPOP", {text("CDGRUPOPER", 4, Key), text("IDAUTGRUPOP", 4, Key)},
                    {ref({"CDGRUPOPER"}, "GRUPOPER")}};
    out << Register{"OPERADOR",
                    {text("CDOPERADOR", 12, Key | Upper), text("NMOPERADOR", 40, NotNull),
                     text("IDOPERATIVO", 1, NotNull | Default, kActive), text("DSEMAILOPER", 50)},
                    {}};
    out << Register{"OPERFILI", {text("CDOPERADOR", 12, Key), text("CDFILIAL", 4, Key)},
                    {ref({"CDOPERADOR"}, "OPERADOR"), ref({"CDFILIAL"}, "FILIAL")}};
    out << Register{"OPERGRUPOP", {text("CDGRUPOPER", 4, Key), text("CDOPERADOR", 12, Key)},
                    {ref({"CDGRUPOPER"}, "GRUPOPER"), ref({"CDOPERADOR"}, "OPERADOR")}};
    out << Register{"OPERANEXO", {text("CDOPERADOR", 12, Key)}, {ref({"CDOPERADOR"}, "OPERADOR")}};
    // A client and the prospect it came from name each other; both are checked against the
    // files and the database together, so either may come first.
    out << Register{"CLIENTE",
                    {text("CDCLIENTE", 21, Key), text("NRINSJURCLIE", 20, NotNull),
                     text("IDTPIJURCLIE", 1, NotNull, kPerson), text("NMFANTCLIE", 50, NotNull),
                     text("NMRAZSOCCLIE", 50), text("DSCOMPLCLIE", 60), text("NRMESREAJCLIE", 2),
                     text("CDFILIAL", 4), text("CDPROSPECT", 21), text("CDOPERINCL", 12), date("DTINCLUSAO")},
                    {ref({"CDFILIAL"}, "FILIAL"), ref({"CDPROSPECT"}, "PROSPECT")}};
    out << Register{"ENDECLIE",
                    {text("CDCLIENTE", 21, Key), text("IDTPENDECLIE", 1, Key), text("DSENDECLIE", 60),
                     text("DSCOMPLENDE", 60), text("NMBAIRROCLIE", 40), text("NMCIDADECLIE", 40),
                     text("SGESTADOCLIE", 2), text("NRCEPCLIE", 9)},
                    {ref({"CDCLIENTE"}, "CLIENTE")}};
    out << Register{"PROSPECT",
                    {text("CDPROSPECT", 21, Key), text("NRINSJURPROS", 20, NotNull),
                     text("IDTPIJURPROS", 1, NotNull, kPerson), text("NMFANTPROS", 50, NotNull),
                     text("NMRAZSOCPROS", 50), text("CDFILIAL", 4), text("CDCLIENTE", 21), date("DTINCLUSAO")},
                    {ref({"CDFILIAL"}, "FILIAL"), ref({"CDCLIENTE"}, "CLIENTE")}};
    out << Register{"CONTATO",
                    {text("CDFILIAL", 4, Key), text("NRCONTATO", 10, Key), text("IDTPCONTATO", 1, NotNull, {"C", "P"}),
                     text("CDCLIENTE", 21), text("CDPROSPECT", 21), text("DSREFECONT", 60, NotNull),
                     text("DSEMAILCONT", 50), text("NRFONECONT", 25), date("DTCONTATO")},
                    {ref({"CDFILIAL"}, "FILIAL"), ref({"CDCLIENTE"}, "CLIENTE"), ref({"CDPROSPECT"}, "PROSPECT")}};
    out << Register{"INTECLIE",
                    {text("CDCLIENTE", 21, Key), text("CDINTECLIE", 2, Key), text("NMINTECLIE", 50, NotNull),
                     text("DSEMAILINTE", 50)},
                    {ref({"CDCLIENTE"}, "CLIENTE")}};
    out << Register{"INTEPROS",
                    {text("CDPROSPECT", 21, Key), text("CDINTEPROS", 2, Key), text("NMINTEPROS", 50, NotNull),
                     text("DSEMAILINTE", 50)},
                    {ref({"CDPROSPECT"}, "PROSPECT")}};
    out << Register{"INDICE",
                    {text("CDINDICE", 4, Key), text("CDTPINDICE", 1, Key), text("IDPERVALOR", 1, NotNull, {"P", "F"}),
                     text("SGINDICE", 5, NotNull), text("NMINDICE", 30, NotNull), date("DTULTATUINDI")},
                    {}};
    out << Register{"PRODCOMERCI",
                    {text("CDPROCOMERCI", 10, Key), text("NMPROCOMERCI", 50, NotNull),
                     text("IDSITUPROCOM", 1, NotNull | Default)},
                    {}};
    out << Register{"SISTEMA",
                    {text("CDSISTEMA", 8, Key), text("SGSISTEMA", 3, NotNull), text("NMSISTEMA", 40, NotNull),
                     text("IDTECNOSIST", 3, NotNull), text("IDAMBSIST", 3, NotNull, {"WEB", "WIN", "DOS", "ASP"}),
                     text("CDPROCOMERCI", 10, NotNull), text("IDSITUSIST", 1, NotNull | Default)},
                    {ref({"CDPROCOMERCI"}, "PRODCOMERCI")}};
    out << Register{"TIPOSERV",
                    {text("CDTIPOSERV", 3, Key), text("NMTIPOSERV", 80, NotNull),
                     text("IDSERVOBRIGPROS", 1, NotNull | Default, {"S", "N"}), text("IDTIPOCOBRPADR", 1, Default),
                     real("VRPEACHEPADR", Default), real("QTSERVPADR", Default), real("VRHORAPADR", Default)},
                    {}};
    out << Register{"IDIOMA", {text("IDIDIOMA", 3, Key), text("NMIDIOMA", 30, NotNull)}, {}};
    out << Register{"PADTXT",
                    {text("CDPADTXT", 20, Key), text("IDTIPOPROPFAS", 1, NotNull, {"M", "L", "S"}),
                     text("IDIDIOMA", 3, NotNull), integer("NRORDEMPADTXT"), memo("TXPADTXT"),
                     text("CDPROCOMERCI", 10)},
                    {ref({"IDIDIOMA"}, "IDIOMA"), ref({"CDPROCOMERCI"}, "PRODCOMERCI")}};
    out << Register{"PARAMPROP",
                    {text("IDPARAMPROP", 1, Key), real("VRTXJUROSLICUSO", NotNull | Default),
                     text("DSEMAILCONTRAT", 50)},
                    {}};
    out << Register{"PARAMEMAIL",
                    {text("IDIDIOMA", 3, Key), text("CDPARAMEMAIL", 30, Key), text("DSASSUNPAREMAIL", 100),
                     text("TXENDERPAREMAIL", 2000), text("TXTEXTOPAREMAIL", 2000),
                     text("IDSITUPARAEMAIL", 1, NotNull | Default, kActive)},
                    {ref({"IDIDIOMA"}, "IDIOMA")}};
    return out;
}

}  // namespace

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
