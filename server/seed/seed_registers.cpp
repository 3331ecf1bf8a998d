// Demo registers: two branches, three operators (two in the proposal group), clients,
// prospects, contacts, interlocutors, indexes, products and systems, service types,
// standard texts and the module's parameters.
#include "server/registers/register_logos.h"
#include "server/seed/seed_support.h"

namespace cot::server::detail {

namespace {

// The demo company's mark: a blue square with three rising bars, 96 × 96 PNG drawn for it.
const char kDemoLogo[] =
    "iVBORw0KGgoAAAANSUhEUgAAAGAAAABgCAYAAADimHc4AAABH0lEQVR42u3dsQ3CMBCGUfcegtHYjJoFqZOSCikCOf+Fe5Zuge/J"
    "luwiGePHdbs/t84zzlzdY8dQRA1BiBiEEC6IIFgQQagggkBhBHGCAMKEEUQJAgjyntdjno8g+vw4AILxVyO0BzgSfyUCgAoAjp+Z"
    "PYbED+8CO8AOAAAAQMt7AIDwTRhA+C2oNcA3CwAAAAAAAAAAAAAAAAAAAAAAAAAAAACuFwwAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "egQDAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAwPlkGwAAAYAD8I4B/yITjAwAAQAwAvQEghOMDKAAAIRwfQAEA"
    "COH4EArEh1AgPoQC8UEUCA+iSHgo62LvPI8S5MmF8CEAAAAASUVORK5CYII=";

void branches(Database& db) {
    insertRow(db, "FILIAL", {{"CDFILIAL", "0001"}, {"NMFILIAL", "Matriz São Paulo"}, {"NRINSJURFILI", "11111111000191"}});
    insertRow(db, "FILIAL", {{"CDFILIAL", "0002"}, {"NMFILIAL", "Filial Rio de Janeiro"}, {"NRINSJURFILI", "11111111000272"}});
    insertRow(db, "ENDEFILI", {{"CDFILIAL", "0001"}, {"IDTPENDEFILI", "P"}, {"DSENDEFILI", "Av. Paulista, 1000"},
                               {"NMCIDADEFILI", "São Paulo"}, {"SGESTADOFILI", "SP"},
                               {"DSEMAILFILI", "comercial.sp@demo.local"}, {"DSSMTPEMAILF", "127.0.0.1"}});
    insertRow(db, "ENDEFILI", {{"CDFILIAL", "0002"}, {"IDTPENDEFILI", "P"}, {"DSENDEFILI", "Av. Rio Branco, 200"},
                               {"NMCIDADEFILI", "Rio de Janeiro"}, {"SGESTADOFILI", "RJ"},
                               {"DSEMAILFILI", "comercial.rj@demo.local"}, {"DSSMTPEMAILF", "127.0.0.1"}});
}

// Who the demo company is and how its salespeople are reached. The demo also fills
// databases kept at an older schema (upgrade tests): only where the columns exist.
void identity(Database& db) {
    if (db.scalar(QStringLiteral("SELECT MAX(VERSION) FROM SCHEMA_VERSION")).toInt() < 17) return;
    const QString company = QStringLiteral("Demonstração Sistemas Ltda.");
    for (const auto& [branch, phone] : {std::pair{"0001", "(11) 3000-1000"}, std::pair{"0002", "(21) 3000-2000"}}) {
        db.exec(QStringLiteral("UPDATE FILIAL SET NMEMPRFILI = :E, NRFONEFILI = :F, DSSITEFILI = 'www.demo.local' "
                               "WHERE CDFILIAL = :B"),
                {{"E", company}, {"F", QString::fromLatin1(phone)}, {"B", QString::fromLatin1(branch)}});
        registers::storeLogo(db, QString::fromLatin1(branch), QStringLiteral("image/png"),
                             QByteArray::fromBase64(QByteArray(kDemoLogo)));
    }
    for (const auto& [code, phone] : {std::pair{"VENDEDOR", "(11) 98000-1001"}, std::pair{"GERENTE", "(11) 98000-1002"}})
        db.exec(QStringLiteral("UPDATE OPERADOR SET NRFONEOPER = :F WHERE CDOPERADOR = :O"),
                {{"F", QString::fromLatin1(phone)}, {"O", QString::fromLatin1(code)}});
}

void operators(Database& db) {
    struct Op { const char* code; const char* name; const char* mail; const char* password; };
    const Op ops[] = {{"VENDEDOR", "Vendedor Demonstração", "vendedor@demo.local", "vendedor"},
                      {"GERENTE", "Gerente Comercial", "gerente@demo.local", "gerente"},
                      {"ASSIST", "Assistente", nullptr, "assist"}};
    for (const Op& op : ops) {
        const QString code = QString::fromUtf8(op.code);
        insertRow(db, "OPERADOR", {{"CDOPERADOR", code}, {"NMOPERADOR", QString::fromUtf8(op.name)},
                                   {"IDOPERATIVO", "A"},
                                   {"DSEMAILOPER", op.mail ? QVariant(QString::fromUtf8(op.mail)) : QVariant()},
                                   {"DSHASHSENHA", passwordHash("demo-" + code.toLower(), QString::fromUtf8(op.password))}});
    }
    insertRow(db, "OPERADOR", {{"CDOPERADOR", "ANTIGO"}, {"NMOPERADOR", "Operador Inativo"}, {"IDOPERATIVO", "I"}});
    for (const char* b : {"0001", "0002"}) insertRow(db, "OPERFILI", {{"CDOPERADOR", "VENDEDOR"}, {"CDFILIAL", b}});
    insertRow(db, "OPERFILI", {{"CDOPERADOR", "GERENTE"}, {"CDFILIAL", "0001"}});
    insertRow(db, "OPERFILI", {{"CDOPERADOR", "ASSIST"}, {"CDFILIAL", "0001"}});
    insertRow(db, "GRUPOPER", {{"CDGRUPOPER", "COM"}, {"NMGRUPOPER", "Comercial"}});
    insertRow(db, "GRUPOPER", {{"CDGRUPOPER", "APO"}, {"NMGRUPOPER", "Apoio Administrativo"}});
    insertRow(db, "AUTGRUPOP", {{"CDGRUPOPER", "COM"}, {"IDAUTGRUPOP", "PROP"}});
    insertRow(db, "AUTGRUPOP", {{"CDGRUPOPER", "APO"}, {"IDAUTGRUPOP", "CONS"}});
    insertRow(db, "OPERGRUPOP", {{"CDGRUPOPER", "COM"}, {"CDOPERADOR", "VENDEDOR"}});
    insertRow(db, "OPERGRUPOP", {{"CDGRUPOPER", "COM"}, {"CDOPERADOR", "GERENTE"}});
    insertRow(db, "OPERGRUPOP", {{"CDGRUPOPER", "APO"}, {"CDOPERADOR", "ASSIST"}});
    insertRow(db, "OPERANEXO", {{"CDOPERADOR", "VENDEDOR"}});
    insertRow(db, "OPERANEXO", {{"CDOPERADOR", "GERENTE"}});
}

void clientsAndProspects(Database& db) {
    struct Party { const char* doc; const char* type; const char* fantasy; const char* company; const char* month; };
    const Party clients[] = {
        {"11222333000181", "J", "Alfa Sistemas", "Alfa Sistemas de Informação Ltda", "03"},
        {"22333444000172", "J", "Beta Comércio", "Beta Comércio e Representações S.A.", "07"},
        {"33444555000163", "J", "Gama Indústria", "Gama Indústria Metalúrgica Ltda", "01"},
        {"44555666000154", "J", "Epsilon Serviços", "Epsilon Serviços Gerais Ltda", "11"},
        {"12345678909", "F", "Pedro Almeida", "Pedro Henrique Almeida", "05"},
        {"55666777000145", "J", "Theta Logística", "Theta Logística e Armazéns Ltda", "09"},
        {"66777888000136", "J", "Kappa Alimentos", "Kappa Alimentos do Brasil Ltda", nullptr},
        {"98765432100", "F", "Maria Souza", "Maria Aparecida de Souza", nullptr},
    };
    for (const Party& c : clients) {
        insertRow(db, "CLIENTE", {{"CDCLIENTE", c.doc}, {"NRINSJURCLIE", c.doc}, {"IDTPIJURCLIE", c.type},
                                  {"NMFANTCLIE", QString::fromUtf8(c.fantasy)}, {"NMRAZSOCCLIE", QString::fromUtf8(c.company)},
                                  {"NRMESREAJCLIE", c.month ? QVariant(c.month) : QVariant()},
                                  {"CDFILIAL", "0001"}, {"DTINCLUSAO", seedDay(-400)}});
        insertRow(db, "ENDECLIE", {{"CDCLIENTE", c.doc}, {"IDTPENDECLIE", "P"}, {"DSENDECLIE", "Rua das Flores, 100"},
                                   {"NMCIDADECLIE", "São Paulo"}, {"SGESTADOCLIE", "SP"}, {"NRCEPCLIE", "01000-000"}});
    }
    const Party prospects[] = {
        {"77888999000127", "J", "Delta Engenharia", "Delta Engenharia e Projetos Ltda", nullptr},
        {"88999000000118", "J", "Zeta Transportes", "Zeta Transportes Rodoviários Ltda", nullptr},
        {"23456789012", "F", "Iota Consultoria", "João Carlos Iota", nullptr},
        {"99000111000109", "J", "Lambda Educação", "Lambda Educação e Cultura Ltda", nullptr},
    };
    for (const Party& p : prospects) {
        insertRow(db, "PROSPECT", {{"CDPROSPECT", p.doc}, {"NRINSJURPROS", p.doc}, {"IDTPIJURPROS", p.type},
                                   {"NMFANTPROS", QString::fromUtf8(p.fantasy)}, {"NMRAZSOCPROS", QString::fromUtf8(p.company)},
                                   {"CDFILIAL", "0001"}, {"DTINCLUSAO", seedDay(-60)}});
    }
    struct Contact { const char* nr; const char* branch; const char* kind; const char* code; const char* name; };
    const Contact contacts[] = {
        {"0000000001", "0001", "C", "11222333000181", "Ana Paula - Compras Alfa"},
        {"0000000002", "0001", "C", "22333444000172", "Bruno Costa - TI Beta"},
        {"0000000003", "0001", "C", "44555666000154", "Cecília Rocha - Diretoria Epsilon"},
        {"0000000004", "0001", "P", "77888999000127", "Daniel Nunes - Delta"},
        {"0000000005", "0001", "P", "88999000000118", "Elisa Moura - Zeta"},
        {"0000000006", "0002", "C", "33444555000163", "Fábio Prado - Gama RJ"},
    };
    for (const Contact& c : contacts) {
        const bool client = QByteArray(c.kind) == "C";
        insertRow(db, "CONTATO", {{"CDFILIAL", c.branch}, {"NRCONTATO", c.nr}, {"IDTPCONTATO", c.kind},
                                  {"CDCLIENTE", client ? QVariant(c.code) : QVariant()},
                                  {"CDPROSPECT", client ? QVariant() : QVariant(c.code)},
                                  {"DSREFECONT", QString::fromUtf8(c.name)}, {"DTCONTATO", seedDay(-45)}});
    }
    insertRow(db, "INTECLIE", {{"CDCLIENTE", "11222333000181"}, {"CDINTECLIE", "01"}, {"NMINTECLIE", "Carlos Lima"}, {"DSEMAILINTE", "carlos@alfa.demo"}});
    insertRow(db, "INTECLIE", {{"CDCLIENTE", "11222333000181"}, {"CDINTECLIE", "02"}, {"NMINTECLIE", "Débora Martins"}});
    insertRow(db, "INTECLIE", {{"CDCLIENTE", "22333444000172"}, {"CDINTECLIE", "01"}, {"NMINTECLIE", "Fernanda Reis"}});
    insertRow(db, "INTEPROS", {{"CDPROSPECT", "77888999000127"}, {"CDINTEPROS", "01"}, {"NMINTEPROS", "Roberto Dias"}});
    insertRow(db, "INTEPROS", {{"CDPROSPECT", "88999000000118"}, {"CDINTEPROS", "01"}, {"NMINTEPROS", "Sílvia Campos"}});
}

void indexesProductsAndServices(Database& db) {
    struct Index { const char* code; const char* type; const char* per; const char* abbrev; const char* name; };
    const Index indexes[] = {{"0001", "M", "P", "IGPM", "IGP-M - Índice Geral de Preços"},
                             {"0001", "A", "P", "IGPM", "IGP-M acumulado anual"},
                             {"0002", "M", "P", "IPCA", "IPCA - Preços ao Consumidor"},
                             {"0003", "M", "P", "INPC", "INPC - Índice Nacional"},
                             {"0004", "F", "F", "FIXO", "Percentual fixo contratual"}};
    for (const Index& i : indexes)
        insertRow(db, "INDICE", {{"CDINDICE", i.code}, {"CDTPINDICE", i.type}, {"IDPERVALOR", i.per},
                                 {"SGINDICE", i.abbrev}, {"NMINDICE", QString::fromUtf8(i.name)}, {"DTULTATUINDI", seedDay(-15)}});

    insertRow(db, "PRODCOMERCI", {{"CDPROCOMERCI", "ERP"}, {"NMPROCOMERCI", "Gestão Empresarial"}});
    insertRow(db, "PRODCOMERCI", {{"CDPROCOMERCI", "FOLHA"}, {"NMPROCOMERCI", "Folha de Pagamento"}});
    insertRow(db, "PRODCOMERCI", {{"CDPROCOMERCI", "FISCAL"}, {"NMPROCOMERCI", "Escrita Fiscal"}});
    struct System { const char* code; const char* abbrev; const char* name; const char* tech; const char* platform; const char* product; };
    const System systems[] = {
        {"WEB00001", "FIN", "Financeiro", "NET", "WEB", "ERP"}, {"WEB00002", "EST", "Estoque", "NET", "WEB", "ERP"},
        {"WEB00003", "FAT", "Faturamento", "NET", "WEB", "ERP"}, {"WEB00004", "FOL", "Folha de Pagamento", "NET", "WEB", "FOLHA"},
        {"WEB00005", "FIS", "Escrita Fiscal", "NET", "WEB", "FISCAL"},
        {"WIN00001", "FIN", "Financeiro", "DEL", "WIN", "ERP"}, {"WIN00002", "EST", "Estoque", "DEL", "WIN", "ERP"},
        {"WIN00003", "FOL", "Folha de Pagamento", "DEL", "WIN", "FOLHA"}, {"WIN00004", "FIS", "Escrita Fiscal", "DEL", "WIN", "FISCAL"},
        {"DOS00001", "FIN", "Financeiro", "CLP", "DOS", "ERP"}, {"DOS00002", "FOL", "Folha de Pagamento", "CLP", "DOS", "FOLHA"},
        {"ASP00001", "FIN", "Financeiro", "ASP", "ASP", "ERP"},
    };
    for (const System& s : systems)
        insertRow(db, "SISTEMA", {{"CDSISTEMA", s.code}, {"SGSISTEMA", s.abbrev}, {"NMSISTEMA", s.name},
                                  {"IDTECNOSIST", s.tech}, {"IDAMBSIST", s.platform}, {"CDPROCOMERCI", s.product}});

    struct Service { const char* code; const char* name; const char* mandatory; double hours; double rate; };
    const Service services[] = {{"001", "Implantação", "S", 40, 150}, {"002", "Treinamento de usuários", "S", 16, 120},
                                {"003", "Consultoria", "N", 0, 180}, {"004", "Customização", "N", 0, 200},
                                {"005", "Suporte presencial", "N", 0, 130}};
    for (const Service& s : services)
        insertRow(db, "TIPOSERV", {{"CDTIPOSERV", s.code}, {"NMTIPOSERV", QString::fromUtf8(s.name)},
                                   {"IDSERVOBRIGPROS", s.mandatory}, {"IDTIPOCOBRPADR", "H"}, {"VRPEACHEPADR", 1.0},
                                   {"QTSERVPADR", s.hours}, {"VRHORAPADR", s.rate}});
}

void textsAndParameters(Database& db) {
    insertRow(db, "IDIOMA", {{"IDIDIOMA", "POR"}, {"NMIDIOMA", "Português"}});
    insertRow(db, "IDIOMA", {{"IDIDIOMA", "ESP"}, {"NMIDIOMA", "Espanhol"}});
    struct Text { const char* type; const char* lang; const char* code; int order; const char* text; };
    const Text texts[] = {
        {"M", "POR", "APRES_LU", 1, "Apresentamos nossa proposta de licença de uso com manutenção mensal."},
        {"M", "POR", "COND_LU", 2, "As parcelas da licença vencem nas datas indicadas; a manutenção é reajustada anualmente."},
        {"M", "ESP", "PRES_LU_ESP", 1, "Presentamos nuestra propuesta de licencia de uso con mantenimiento mensual."},
        {"L", "POR", "APRES_LOC", 1, "Apresentamos nossa proposta de locação dos sistemas."},
        {"L", "POR", "COND_LOC", 2, "A locação é cobrada mensalmente a partir da carência indicada."},
        {"L", "ESP", "PRES_LOC_ESP", 1, "Presentamos nuestra propuesta de arrendamiento de los sistemas."},
        {"S", "POR", "APRES_SERV", 1, "Apresentamos nossa proposta de prestação de serviços."},
        {"S", "POR", "COND_SERV", 2, "As horas excedentes serão faturadas pelo valor contratual."},
        {"S", "ESP", "PRES_SERV_ESP", 1, "Presentamos nuestra propuesta de prestación de servicios."},
        {"M", "POR", "GARANTIA", 0, "Garantia de 90 dias para correções."},
    };
    for (const Text& t : texts)
        insertRow(db, "PADTXT", {{"CDPADTXT", t.code}, {"IDTIPOPROPFAS", t.type}, {"IDIDIOMA", t.lang},
                                 {"NRORDEMPADTXT", t.order > 0 ? QVariant(t.order) : QVariant()},
                                 {"TXPADTXT", QStringLiteral("<p>%1</p>").arg(QString::fromUtf8(t.text))}});

    insertRow(db, "PARAMPROP", {{"IDPARAMPROP", "U"}, {"VRTXJUROSLICUSO", 1.5}, {"DSEMAILCONTRAT", "contratos@demo.local"}});
    const QString lines = QStringLiteral(
        "Proposta #PROPOSTA versão #VERSAO (#DESCRICAOPROP) aceita por #FANTASIACLIENTE/PROSPECT.");
    insertRow(db, "PARAMEMAIL", {{"IDIDIOMA", "POR"}, {"CDPARAMEMAIL", "COT05000_PROPCOM"},
                                 {"DSASSUNPAREMAIL", "Proposta aceita - cobrar licença de uso"},
                                 {"TXENDERPAREMAIL", "faturamento@demo.local;contratos@demo.local"},
                                 {"TXTEXTOPAREMAIL", lines + " Linhas: #DADOSLINHAPROD Total: #VRTOTLINHAPROD"},
                                 {"IDSITUPARAEMAIL", "A"}});
    insertRow(db, "PARAMEMAIL", {{"IDIDIOMA", "POR"}, {"CDPARAMEMAIL", "COT05000_PROPSERV"},
                                 {"DSASSUNPAREMAIL", "Proposta aceita - cobrar pacote de serviços"},
                                 {"TXENDERPAREMAIL", "servicos@demo.local"},
                                 {"TXTEXTOPAREMAIL", lines + " Pacote de serviços: #VALORPACOTESERVICO"},
                                 {"IDSITUPARAEMAIL", "A"}});
    insertRow(db, "PARAMEMAIL", {{"IDIDIOMA", "ESP"}, {"CDPARAMEMAIL", "COT05000_PROPCOM"},
                                 {"DSASSUNPAREMAIL", "Propuesta aceptada"}, {"TXENDERPAREMAIL", "faturamento@demo.local"},
                                 {"TXTEXTOPAREMAIL", "Propuesta #PROPOSTA/#VERSAO: #DADOSLINHAPROD"}, {"IDSITUPARAEMAIL", "I"}});
}

}  // namespace

void seedRegisters(Database& db) {
    branches(db);
    operators(db);
    identity(db);
    clientsAndProspects(db);
    indexesProductsAndServices(db);
    textsAndParameters(db);
}

}  // namespace cot::server::detail
