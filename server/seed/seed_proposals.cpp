// Demo proposals of branch 0001 in every status (accepted, valid, expiring within ten
// days, expired, request), of every contract type, for clients and prospects, with
// several versions of one number, and a couple of branch 0002.
#include "server/methods/numbering.h"
#include "server/methods/read_support.h"
#include "server/seed/seed_support.h"
#include "services/installment_schedule.h"

namespace cot::server::detail {

namespace {

struct Header {
    int number;
    const char* version;
    const char* branch;
    const char* request;   // IDSOLPROPFAS: 'S' request, 'N' proposal
    const char* party;     // 'C' client, 'P' prospect
    const char* code;
    const char* contract;  // 'M', 'L', 'S'
    const char* reference;
    int created, validUntil;  // days from today
    int acceptedOn;           // days from today; 1 = not accepted
    const char* including;
    const char* requesting;
    const char* contact;
};

constexpr int kOpen = 1;

void header(Database& db, const Header& h) {
    const bool client = QByteArray(h.party) == "C";
    const bool request = QByteArray(h.request) == "S";
    QVariantMap row{{"NRPROPOSFAS", seedNumber(h.number)}, {"NRVERPROPFAS", h.version},
                    {"CDFILIAL", h.branch}, {"IDSOLPROPFAS", h.request}, {"IDCLIENPROSP", h.party},
                    {"CDCLIENTE", client ? QVariant(h.code) : QVariant()},
                    {"CDPROSPECT", client ? QVariant() : QVariant(h.code)},
                    {"DSREFEPROPOSFAS", QString::fromUtf8(h.reference)},
                    {"DTPROPOSFAS", seedDay(h.created)}, {"DTVALPROPFAS", seedDay(h.validUntil)},
                    {"DTACEPROPFAS", h.acceptedOn == kOpen ? QVariant() : QVariant(seedDay(h.acceptedOn))},
                    {"CDOPERINCL", h.including}, {"CDOPERSOLI", h.requesting},
                    {"CDOPERRESP", request ? QVariant() : QVariant("GERENTE")},
                    {"IDTIPOPROPFAS", h.contract}, {"IDIDIOMA", "POR"},
                    {"IDTIPOCOBRSERV", QByteArray(h.contract) == "S" && h.number % 2 ? "H" : "P"},
                    {"VRPACOTESERV", 0.0}, {"CDPROCOMERCI", QByteArray(h.contract) == "S" ? QVariant() : QVariant("ERP")},
                    {"DTINCLUSAO", seedDay(h.created).toString("dd/MM/yyyy HH:mm:ss")},
                    {"DSEMAIPROFAS", "compras@cliente.demo"}};
    if (h.contact) {
        row["NRCONTATO"] = h.contact;
        row["DSREFECONT"] = db.scalar("SELECT DSREFECONT FROM CONTATO WHERE NRCONTATO = :N", {{"N", h.contact}});
    }
    if (!request) {
        row["CDINDICE1"] = "0001"; row["CDTPINDICE1"] = "M"; row["IDPERVALOR1"] = "P";
        row["IDTPREAJPROP"] = "A";
        if (h.number % 3 == 0) {
            row["VRPEINCIND1"] = 60.0;
            row["CDINDICE2"] = "0002"; row["CDTPINDICE2"] = "M"; row["IDPERVALOR2"] = "P"; row["VRPEINCIND2"] = 40.0;
        } else {
            row["VRPEINCIND1"] = 100.0;
        }
    }
    if (client) {
        row["NRMESREAJPROP"] = db.scalar("SELECT NRMESREAJCLIE FROM CLIENTE WHERE CDCLIENTE = :C", {{"C", h.code}});
        if (db.scalar("SELECT COUNT(*) FROM INTECLIE WHERE CDCLIENTE = :C", {{"C", h.code}}).toInt() > 0) row["CDINTECLIE"] = "01";
    } else if (db.scalar("SELECT COUNT(*) FROM INTEPROS WHERE CDPROSPECT = :C", {{"C", h.code}}).toInt() > 0) {
        row["CDINTEPROS"] = "01";
    }
    insertRow(db, "PROPOSTAFAS", row);
}

struct Line {
    int key;
    const char* code;
    const char* name;
    const char* type;  // M, L, P, A
    double users, quantity, licence, monthly, licenceDiscount, monthlyDiscount;
    const char* platform;
    QStringList systems;
    int installments;  // licence installments, monthly from the proposal date
};

void line(Database& db, int number, const char* version, const Line& l, int created) {
    const QString nr = seedNumber(number);
    const QString key = seedNumber(l.key);
    const QDate grace = seedDay(created).date().addMonths(2);
    insertRow(db, "LINPPROP", {{"NRPROPOSFAS", nr}, {"NRVERPROPFAS", version}, {"CDLINPPROP", key},
                               {"CDLINPPROPINFOR", l.code}, {"NMLINPPROP", QString::fromUtf8(l.name)},
                               {"NRUSUALINPP", l.users}, {"IDTIPLINPP", l.type}, {"QTMINIMAFATPROP", l.quantity},
                               {"VRLICENCUSOPROP", l.licence}, {"VRMENSALIDAPROP", l.monthly},
                               {"VRDESLICUSOPROP", l.licenceDiscount}, {"VRDESMENSALPROP", l.monthlyDiscount},
                               {"IDMPROCLINPP", "M"}, {"IDLPROCLINPP", "M"},
                               {"DTCALUSLINPP", QDateTime(QDate(grace.year(), grace.month(), grace.daysInMonth()), QTime(0, 0))},
                               {"IDAMBLINPP", l.platform}});
    for (const QString& system : l.systems)
        insertRow(db, "SISTLINPPROP", {{"NRPROPOSFAS", nr}, {"NRVERPROPFAS", version}, {"CDLINPPROP", key}, {"CDSISTEMA", system}});
    if (l.installments == 0) return;
    // The schedule as the screen generates it: the licence interest from four installments on.
    const long double lineTotal = (static_cast<long double>(l.licence) - l.licenceDiscount) * l.quantity;
    const long double rate = db.scalar("SELECT VRTXJUROSLICUSO FROM PARAMPROP").toDouble();
    const std::vector<double> values = equalSplit(lineTotal, rate, l.installments);
    for (int i = 0; i < l.installments; ++i)
        insertRow(db, "VENCLINPPROP", {{"NRPROPOSFAS", nr}, {"NRVERPROPFAS", version}, {"CDLINPPROP", key},
                                       {"DTVELUSOPEDP", seedDay(created + 30 * (i + 1))}, {"VRVELUSOPEDP", values[size_t(i)]}});
}

struct Service {
    const char* seq;
    const char* type;
    const char* modality;  // H, F, P
    double hours, rate, discount;
};

void service(Database& db, int number, const char* version, const Service& s) {
    insertRow(db, "SERVPROP", {{"NRPROPOSFAS", seedNumber(number)}, {"NRVERPROPFAS", version}, {"NRSERVPROP", s.seq},
                               {"CDTIPOSERV", s.type}, {"DSLOCALPROP", "Nas instalações do cliente"},
                               {"IDTIPOCOBRPROP", s.modality}, {"VRPEACHEPROP", 1.0}, {"QTSERVPROP", s.hours},
                               {"VREXCEDPROP", s.rate}, {"VRHORAPROP", s.rate}, {"VRDEHORAPROP", s.rate * (100 - s.discount) / 100},
                               {"VRPEHORAPROP", s.discount}});
}

// Package value of the services, split in `parts` monthly installments.
void servicePackage(Database& db, int number, const char* version, double value, int parts, int created) {
    db.exec(QStringLiteral("UPDATE PROPOSTAFAS SET VRPACOTESERV = :V, IDTIPOCOBRSERV = 'P' WHERE %1")
                .arg(read::ProposalKey::condition()),
            {{"V", value}, {"NR", seedNumber(number)}, {"VER", version}});
    const qint64 total = qint64(value * 100 + 0.5), part = total / parts;
    for (int i = 0; i < parts; ++i)
        insertRow(db, "VENCSERVPROP", {{"NRPROPOSFAS", seedNumber(number)}, {"NRVERPROPFAS", version},
                                       {"DTVENCSERVPROP", seedDay(created + 30 * (i + 1))},
                                       {"VRVENCSERVPROP", (i == 0 ? total - part * (parts - 1) : part) / 100.0}});
}

void texts(Database& db, int number, const char* version, const char* contract, bool observation) {
    const Packet standard = db.query("SELECT CDPADTXT, NRORDEMPADTXT, TXPADTXT FROM PADTXT WHERE IDTIPOPROPFAS = :T "
                                     "AND IDIDIOMA = 'POR' AND NRORDEMPADTXT IS NOT NULL ORDER BY NRORDEMPADTXT",
                                     {{"T", contract}});
    for (int i = 0; i < standard.rows.size(); ++i)
        insertRow(db, "TXTPROPFAS", {{"NRPROPOSFAS", seedNumber(number)}, {"NRVERPROPFAS", version},
                                     {"CDTXTPROPFAS", standard.value(i, "CDPADTXT")}, {"NRORDEMMSG", i + 1},
                                     {"TXPROPFAS", standard.value(i, "TXPADTXT")}});
    if (observation)
        insertRow(db, "OBSPROPFAS", {{"NRPROPOSFAS", seedNumber(number)}, {"NRVERPROPFAS", version},
                                     {"TXOBSPROPFAS", "<p>Cliente pediu condições especiais de pagamento.</p>"}});
}

const char* const kAlfa = "11222333000181";
const char* const kBeta = "22333444000172";
const char* const kGama = "33444555000163";
const char* const kEpsilon = "44555666000154";
const char* const kPedro = "12345678909";
const char* const kTheta = "55666777000145";
const char* const kKappa = "66777888000136";
const char* const kDelta = "77888999000127";
const char* const kZeta = "88999000000118";
const char* const kIota = "23456789012";

}  // namespace

void seedProposals(Database& db) {
    const Header headers[] = {
        {1, "01", "0001", "N", "C", kAlfa, "M", "Implantação do ERP Web - matriz", -40, -10, -20, "VENDEDOR", "VENDEDOR", "0000000001"},
        {2, "01", "0001", "N", "C", kBeta, "M", "ERP Web e serviços de implantação", -10, 25, kOpen, "VENDEDOR", "VENDEDOR", "0000000002"},
        {3, "01", "0001", "N", "C", kGama, "L", "Locação do ERP Windows", -25, 5, kOpen, "GERENTE", "GERENTE", nullptr},
        {4, "01", "0001", "N", "P", kDelta, "M", "Folha de pagamento Web", -50, -3, kOpen, "GERENTE", "VENDEDOR", "0000000004"},
        {5, "01", "0001", "S", "C", kEpsilon, "S", "Consultoria em processos fiscais", -2, 20, kOpen, "VENDEDOR", "ASSIST", "0000000003"},
        {6, "01", "0001", "N", "C", kAlfa, "M", "Expansão para filiais - primeira versão", -90, -30, kOpen, "VENDEDOR", "VENDEDOR", nullptr},
        {6, "02", "0001", "N", "C", kAlfa, "M", "Expansão para filiais - revisão de preços", -30, 0, kOpen, "VENDEDOR", "VENDEDOR", nullptr},
        {6, "03", "0001", "N", "C", kAlfa, "M", "Expansão para filiais - versão final", -1, 30, kOpen, "VENDEDOR", "VENDEDOR", nullptr},
        {7, "01", "0001", "N", "P", kZeta, "S", "Pacote de implantação e treinamento", -5, 15, kOpen, "VENDEDOR", "VENDEDOR", "0000000005"},
        {8, "01", "0001", "N", "C", kPedro, "L", "Locação da folha de pagamento", -35, -5, -5, "GERENTE", "GERENTE", nullptr},
        {9, "01", "0001", "N", "C", kTheta, "M", "ERP Windows para centros de distribuição", -20, 10, kOpen, "VENDEDOR", "VENDEDOR", nullptr},
        {10, "01", "0001", "S", "P", kIota, "L", "Solicitação de locação do fiscal", -3, 11, kOpen, "ASSIST", "ASSIST", nullptr},
        {11, "01", "0001", "N", "C", kBeta, "S", "Horas de consultoria contratadas", -60, -40, -45, "GERENTE", "GERENTE", "0000000002"},
        {12, "01", "0001", "N", "C", kKappa, "M", "ERP Web para indústria de alimentos", -4, 40, kOpen, "GERENTE", "GERENTE", nullptr},
        {13, "01", "0002", "N", "C", kGama, "M", "Filial RJ - ERP Web", -8, 22, kOpen, "VENDEDOR", "VENDEDOR", "0000000006"},
        {14, "01", "0002", "S", "C", kGama, "S", "Filial RJ - treinamento", -2, 8, kOpen, "VENDEDOR", "VENDEDOR", nullptr},
    };
    for (const Header& h : headers) header(db, h);

    const QStringList erpWeb{"WEB00001", "WEB00002", "WEB00003"};
    line(db, 1, "01", {1, "1001", "ERP Web - Matriz", "M", 10, 5, 1200, 150, 100, 0, "WEB", erpWeb, 4}, -40);
    line(db, 1, "01", {2, "1002", "Folha Web", "P", 0, 1, 800, 90, 0, 10, "WEB", {"WEB00004"}, 1}, -40);
    line(db, 2, "01", {3, "2001", "ERP Web completo", "M", 20, 10, 1000, 120, 50, 0, "WEB", erpWeb, 4}, -10);
    line(db, 2, "01", {4, "2002", "Escrita Fiscal Web", "M", 5, 2, 650.5, 80, 0, 0, "WEB", {"WEB00005"}, 3}, -10);
    line(db, 3, "01", {5, "3001", "ERP Windows - locação", "L", 15, 8, 0, 210, 0, 10, "WIN", {"WIN00001", "WIN00002"}, 0}, -25);
    line(db, 4, "01", {6, "4001", "Folha Web", "M", 30, 3, 900, 100, 0, 0, "WEB", {"WEB00004"}, 2}, -50);
    line(db, 6, "01", {7, "6001", "ERP Web - filiais", "M", 10, 4, 1100, 140, 0, 0, "WEB", erpWeb, 2}, -90);
    line(db, 6, "02", {8, "6001", "ERP Web - filiais", "M", 10, 4, 1000, 130, 0, 0, "WEB", erpWeb, 2}, -30);
    line(db, 6, "03", {9, "6001", "ERP Web - filiais", "M", 10, 4, 950, 130, 25, 5, "WEB", erpWeb, 4}, -1);
    line(db, 8, "01", {10, "8001", "Folha DOS - locação", "L", 3, 1, 0, 75, 0, 0, "DOS", {"DOS00002"}, 0}, -35);
    line(db, 9, "01", {11, "9001", "ERP Windows", "M", 25, 12, 700, 95, 0, 0, "WIN", {"WIN00001", "WIN00002"}, 3}, -20);
    line(db, 10, "01", {12, "1101", "Fiscal Windows - locação", "A", 0, 1, 0, 60, 0, 0, "WIN", {"WIN00004"}, 0}, -3);
    line(db, 12, "01", {13, "1201", "ERP Web", "M", 8, 4, 1300, 160, 0, 0, "WEB", erpWeb, 4}, -4);
    line(db, 13, "01", {14, "1301", "ERP Web - RJ", "M", 6, 3, 1200, 150, 0, 0, "WEB", erpWeb, 2}, -8);

    service(db, 2, "01", {"001", "001", "P", 40, 150, 0});
    service(db, 2, "01", {"002", "002", "P", 16, 120, 10});
    servicePackage(db, 2, "01", 40 * 150 + 16 * 108, 3, -10);
    service(db, 5, "01", {"001", "003", "H", 20, 180, 0});
    service(db, 5, "01", {"002", "005", "H", 8, 130, 5});
    service(db, 7, "01", {"001", "001", "P", 60, 150, 0});
    service(db, 7, "01", {"002", "002", "P", 24, 120, 0});
    service(db, 7, "01", {"003", "004", "H", 10, 200, 0});
    // The package is every service of the proposal, whatever the modality of each one.
    servicePackage(db, 7, "01", 60 * 150 + 24 * 120 + 10 * 200, 3, -5);
    service(db, 11, "01", {"001", "003", "H", 30, 180, 0});
    service(db, 14, "01", {"001", "002", "H", 12, 120, 0});
    servicePackage(db, 14, "01", 12 * 120, 2, -2);

    texts(db, 1, "01", "M", true);
    texts(db, 2, "01", "M", true);
    texts(db, 3, "01", "L", false);
    texts(db, 5, "01", "S", false);
    texts(db, 6, "03", "M", true);
    texts(db, 7, "01", "S", true);
    insertRow(db, "OBJSERVPROP", {{"NRPROPOSFAS", seedNumber(2)}, {"NRVERPROPFAS", "01"},
                                  {"TXOBJETPROPFAS", "<p>Colocar o ERP em produção em 60 dias.</p>"}});
    insertRow(db, "OBJSERVPROP", {{"NRPROPOSFAS", seedNumber(7)}, {"NRVERPROPFAS", "01"},
                                  {"TXOBJETPROPFAS", "<p>Implantar e treinar as equipes das três unidades.</p>"}});

    const QString nr2 = seedNumber(2);
    insertRow(db, "SIMULAPROP", {{"NRPROPOSFAS", nr2}, {"NRVERPROPFAS", "01"}, {"NRSIMULAPROP", "00001"},
                                 {"NRORDSIMULAPROP", "001"}, {"NMSIMULAPROP", "Cenário enxuto"}});
    insertRow(db, "SIMULAPROP", {{"NRPROPOSFAS", nr2}, {"NRVERPROPFAS", "01"}, {"NRSIMULAPROP", "00002"},
                                 {"NRORDSIMULAPROP", "002"}, {"NMSIMULAPROP", "Cenário completo"}});
    insertRow(db, "SIMULALINP", {{"NRPROPOSFAS", nr2}, {"NRVERPROPFAS", "01"}, {"NRSIMULAPROP", "00001"},
                                 {"NRORDLINPSIMULA", "001"}, {"CDLINPPROP", seedNumber(3)}, {"QTUTILSIMULINP", 5.0}});
    insertRow(db, "SIMULALINP", {{"NRPROPOSFAS", nr2}, {"NRVERPROPFAS", "01"}, {"NRSIMULAPROP", "00002"},
                                 {"NRORDLINPSIMULA", "001"}, {"CDLINPPROP", seedNumber(3)}, {"QTUTILSIMULINP", 10.0}});
    insertRow(db, "SIMULALINP", {{"NRPROPOSFAS", nr2}, {"NRVERPROPFAS", "01"}, {"NRSIMULAPROP", "00002"},
                                 {"NRORDLINPSIMULA", "002"}, {"CDLINPPROP", seedNumber(4)}, {"QTUTILSIMULINP", 2.0}});

    // What the accepted proposals put under contract, and their charging.
    insertRow(db, "LINPCLIE", {{"CDCLIENTE", kAlfa}, {"CDLINPCLIE", seedNumber(1)}, {"CDLINPPROPINFOR", "1001"},
                               {"NMLINPCLIE", "ERP Web - Matriz"}, {"IDTIPLINPC", "M"}, {"NRUSUALINPC", 10.0},
                               {"IDAMBLINPC", "WEB"}, {"IDLPROCLINPC", "M"}, {"IDMPROCLINPC", "M"},
                               {"CDSISTEMAS", erpWeb.join(' ')}, {"QTMINIMAFATC", 5.0}, {"VRLICENCUSOC", 1100.0},
                               {"VRMENSALIDAC", 150.0}, {"NRMESREAJLINC", "03"}, {"NRPROPOSFAS", seedNumber(1)},
                               {"NRVERPROPFAS", "01"}, {"CDLINPPROP", seedNumber(1)}, {"DTINCLUSAO", seedDay(-20)}});
    for (const QString& s : erpWeb)
        insertRow(db, "SISTLINPCLIE", {{"CDCLIENTE", kAlfa}, {"CDLINPCLIE", seedNumber(1)}, {"CDSISTEMA", s}});
    insertRow(db, "LINPCLIE", {{"CDCLIENTE", kAlfa}, {"CDLINPCLIE", seedNumber(2)}, {"CDLINPPROPINFOR", "1002"},
                               {"NMLINPCLIE", "Folha Web"}, {"IDTIPLINPC", "P"}, {"NRUSUALINPC", 0.0}, {"IDAMBLINPC", "WEB"},
                               {"IDLPROCLINPC", "M"}, {"IDMPROCLINPC", "M"}, {"CDSISTEMAS", "WEB00004"},
                               {"QTMINIMAFATC", 1.0}, {"VRLICENCUSOC", 800.0}, {"VRMENSALIDAC", 80.0},
                               {"NRPROPOSFAS", seedNumber(1)}, {"NRVERPROPFAS", "01"}, {"CDLINPPROP", seedNumber(2)},
                               {"DTINCLUSAO", seedDay(-20)}});
    insertRow(db, "SISTLINPCLIE", {{"CDCLIENTE", kAlfa}, {"CDLINPCLIE", seedNumber(2)}, {"CDSISTEMA", "WEB00004"}});
    insertRow(db, "LINPCLIE", {{"CDCLIENTE", kPedro}, {"CDLINPCLIE", seedNumber(10)}, {"CDLINPPROPINFOR", "8001"},
                               {"NMLINPCLIE", "Folha DOS - locação"}, {"IDTIPLINPC", "L"}, {"NRUSUALINPC", 3.0},
                               {"IDAMBLINPC", "DOS"}, {"IDLPROCLINPC", "M"}, {"IDMPROCLINPC", "M"}, {"CDSISTEMAS", "DOS00002"},
                               {"QTMINIMAFATC", 1.0}, {"VRLICENCUSOC", 0.0}, {"VRMENSALIDAC", 75.0},
                               {"NRPROPOSFAS", seedNumber(8)}, {"NRVERPROPFAS", "01"}, {"CDLINPPROP", seedNumber(10)},
                               {"DTINCLUSAO", seedDay(-5)}});
    insertRow(db, "SISTLINPCLIE", {{"CDCLIENTE", kPedro}, {"CDLINPCLIE", seedNumber(10)}, {"CDSISTEMA", "DOS00002"}});
    insertRow(db, "SERVCLIE", {{"CDCLIENTE", kBeta}, {"NRPROPOSFAS", seedNumber(11)}, {"NRVERPROPFAS", "01"},
                               {"NRSERVPROP", "001"}, {"CDTIPOSERV", "003"}, {"IDTIPOCOBRCLIE", "H"},
                               {"QTSERVCLIE", 30.0}, {"VRHORACLIE", 180.0}, {"DTINICLIE", seedDay(-45)}});
    const Packet charged = db.query("SELECT CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP FROM VENCLINPPROP "
                                    "WHERE NRPROPOSFAS = :N ORDER BY CDLINPPROP, DTVELUSOPEDP", {{"N", seedNumber(1)}});
    for (int i = 0; i < charged.rows.size(); ++i)
        insertRow(db, "COBRPROP", {{"NRPROPOSFAS", seedNumber(1)}, {"NRVERPROPFAS", "01"}, {"NRSEQCOBR", i + 1},
                                   {"CDFILIAL", "0001"}, {"CDCLIENTE", kAlfa}, {"IDORIGCOBR", "L"},
                                   {"CDLINPPROP", charged.value(i, "CDLINPPROP")}, {"DTVENCCOBR", charged.value(i, "DTVELUSOPEDP")},
                                   {"VRCOBR", charged.value(i, "VRVELUSOPEDP")}, {"NRMESREAJCOBR", "03"},
                                   {"CDOPERINCL", "VENDEDOR"}, {"DTINCLUSAO", seedDay(-20)}});

    // The numbering continues after the demo rows.
    raiseCounter(db, "PROPOSTA", 14);
    raiseCounter(db, "LINHAPROD", 14);
}

}  // namespace cot::server::detail
