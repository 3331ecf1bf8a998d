#include "dialogs/history/history_fields.h"

#include <QDateTime>
#include <algorithm>

#include "data/client_table.h"
#include "data/proposal_number.h"
#include "data/table_fields.h"

namespace cot {

namespace {

using namespace table_fields;

// The columns the history keeps that the screen gives no caption of its own, or that live in
// tables the window cannot reach, by the names a user knows them and as their kind shows.
void plainFields(ClientTable& t) {
    const auto label = [&t](const char* name, const char* caption) {
        return text(t, name, 0, QString::fromUtf8(caption));
    };
    // The version itself.
    label("NRPROPOSFAS", "Proposta");
    label("NRVERPROPFAS", "Versão");
    label("CDFILIAL", "Filial");
    label("IDSOLPROPFAS", "Tipo");
    label("IDCLIENPROSP", "Cliente ou prospect");
    label("CDCLIENTE", "Cliente");
    label("CDPROSPECT", "Prospect");
    label("NRCONTATO", "Contato");
    label("DSREFECONT", "Referência do contato");
    label("DSREFEPROPOSFAS", "Referência");
    date(t, "DTPROPOSFAS", QStringLiteral("Data"));
    date(t, "DTACEPROPFAS", QStringLiteral("Aceite"));
    date(t, "DTVALPROPFAS", QStringLiteral("Validade"));
    label("CDOPERSOLI", "Operador solicitante");
    label("CDOPERINCL", "Operador que incluiu");
    label("CDOPERRESP", "Operador responsável");
    label("CDINDICE1", "Índice de reajuste 1");
    label("CDTPINDICE1", "Tipo do índice 1");
    label("IDPERVALOR1", "Percentual ou valor do índice 1");
    number(t, "VRPEINCIND1", QStringLiteral("Acréscimo ao índice 1"));
    label("CDINDICE2", "Índice de reajuste 2");
    label("CDTPINDICE2", "Tipo do índice 2");
    label("IDPERVALOR2", "Percentual ou valor do índice 2");
    number(t, "VRPEINCIND2", QStringLiteral("Acréscimo ao índice 2"));
    label("IDTPREAJPROP", "Tipo de reajuste");
    label("NRMESREAJPROP", "Mês de reajuste");
    label("CDPROCOMERCI", "Produto comercial");
    label("IDIDIOMA", "Idioma");
    money(t, "VRPACOTESERV", QStringLiteral("Valor do pacote de serviços"));
    label("IDTIPOCOBRSERV", "Cobrança dos serviços");
    label("IDTIPOPROPFAS", "Contrato");
    label("DSEMAIPROFAS", "E-mail");
    label("NRFAXPROPFAS", "Fax");
    label("DSOBSPROPFAS", "Observação");
    label("CDINTECLIE", "Interessado (cliente)");
    label("CDINTEPROS", "Interessado (prospect)");
    label("DTINCLUSAO", "Inclusão");
    // Product lines, their systems and installments.
    label("CDLINPPROP", "Linha de produto");
    label("CDLINPPROPINFOR", "Código");
    label("NMLINPPROP", "Linha de Produto");
    number(t, "NRUSUALINPP", QStringLiteral("Usuários"));
    label("IDTIPLINPP", "Tipo");
    number(t, "QTMINIMAFATPROP", QStringLiteral("Qtde.Licenças"));
    money(t, "VRLICENCUSOPROP", QStringLiteral("Licença de uso"));
    money(t, "VRMENSALIDAPROP", QStringLiteral("Manutenção/locação"));
    money(t, "VRDESLICUSOPROP", QStringLiteral("Desconto da licença de uso"));
    money(t, "VRDESMENSALPROP", QStringLiteral("Desconto da manutenção/locação"));
    label("IDMPROCLINPP", "Modo de processamento");
    label("IDLPROCLINPP", "Local de processamento");
    date(t, "DTCALUSLINPP", QStringLiteral("Carência"));
    label("IDAMBLINPP", "Plataforma");
    label("CDSISTEMA", "Sistema");
    date(t, "DTVELUSOPEDP", QStringLiteral("Data Vencimento"));
    money(t, "VRVELUSOPEDP", QStringLiteral("Valor"));
    // Services and the package's installments.
    label("NRSERVPROP", "Número do serviço");
    label("CDTIPOSERV", "Tipo de serviço");
    label("DSLOCALPROP", "Desc. Local");
    label("IDTIPOCOBRPROP", "Modalidade");
    number(t, "VRPEACHEPROP", QStringLiteral("Fator"));
    number(t, "QTSERVPROP", QStringLiteral("Qt.Horas"));
    money(t, "VREXCEDPROP", QStringLiteral("Valor excedente"));
    money(t, "VRHORAPROP", QStringLiteral("Vr.Hora Contratual"));
    money(t, "VRDEHORAPROP", QStringLiteral("Vr.Hora Faturar"));
    number(t, "VRPEHORAPROP", QStringLiteral("Desconto(%)"));
    date(t, "DTVENCSERVPROP", QStringLiteral("Data Vencimento"));
    money(t, "VRVENCSERVPROP", QStringLiteral("Valor"));
    memo(t, "TXOBJETPROPFAS", QStringLiteral("Objetivo dos serviços"));
    // Texts, the observation and the simulations.
    label("CDTXTPROPFAS", "Mensagem");
    number(t, "NRORDEMMSG", QStringLiteral("Ordem"));
    memo(t, "TXPROPFAS", QStringLiteral("Texto"));
    memo(t, "TXOBSPROPFAS", QStringLiteral("Observação"));
    label("NRSIMULAPROP", "Número da simulação");
    number(t, "NRORDSIMULAPROP", QStringLiteral("Ordem"));
    label("NMSIMULAPROP", "Nome da simulação");
    number(t, "NRORDLINPSIMULA", QStringLiteral("Ordem da linha"));
    number(t, "QTUTILSIMULINP", QStringLiteral("Quantidade"));
}

// The stored text as a value of the field's kind; invalid when it is none.
QVariant typed(FieldType type, const QString& stored) {
    switch (type) {
    case FieldType::Float: {
        bool ok = false;
        const double v = stored.toDouble(&ok);
        return ok ? QVariant(v) : QVariant();
    }
    case FieldType::Integer: {
        bool ok = false;
        const qlonglong v = stored.toLongLong(&ok);
        return ok ? QVariant(v) : QVariant();
    }
    case FieldType::DateTime: {
        const QDateTime at = QDateTime::fromString(stored, Qt::ISODate);
        return at.isValid() ? QVariant(at) : QVariant();
    }
    default:
        return stored;
    }
}

}  // namespace

// One field as the screen defines it, in a table of its own whose one row holds the value
// being shown, so the field's format and words read it as they read the screen's.
struct HistoryFields::Column {
    explicit Column(const Field& like) : label(like.displayLabel.trimmed()) {
        Field& f = one.addField(FieldDef{like.fieldName(), like.dataType(), like.size()});
        f.displayFormat = like.displayFormat;
        f.onGetText = like.onGetText;
    }
    QString show(const QString& stored) {
        const FieldDef def = one.field(0).def();
        const QVariant value = typed(def.type, stored);
        if (!value.isValid()) return stored;
        one.setData(Packet{{def}, {QVariantList{value}}});
        return one.field(0).displayText();
    }
    QString label;
    ClientTable one;
};

HistoryFields::HistoryFields() : plain_(std::make_unique<ClientTable>()) { plainFields(*plain_); }
HistoryFields::~HistoryFields() = default;
HistoryFields::HistoryFields(HistoryFields&&) noexcept = default;
HistoryFields& HistoryFields::operator=(HistoryFields&&) noexcept = default;

void HistoryFields::add(const QString& table, const ClientTable& screen) {
    auto& columns = screen_[table.trimmed().toUpper()];
    for (int i = 0; i < screen.fieldCount(); ++i) {
        const Field& f = screen.field(i);
        if (f.kind() == FieldKind::Data) columns.insert(f.fieldName().toUpper(), std::make_shared<Column>(f));
    }
    shown_.clear();
}

const HistoryFields::Column* HistoryFields::find(const QString& table, const QString& column) const {
    const auto t = screen_.constFind(table.trimmed().toUpper());
    if (t == screen_.cend()) return nullptr;
    const auto c = t->constFind(column.trimmed().toUpper());
    return c == t->cend() ? nullptr : c->get();
}

QString HistoryFields::label(const QString& table, const QString& column) const {
    if (const Column* c = find(table, column); c && !c->label.isEmpty()) return c->label;
    const Field* plain = plain_->findField(column.trimmed());
    return plain ? plain->displayLabel : column.trimmed();
}

QString HistoryFields::value(const QString& table, const QString& column, const QString& stored) const {
    if (stored.isEmpty()) return stored;
    const QString at = table.trimmed().toUpper() + u'|' + column.trimmed().toUpper() + u'|' + stored;
    if (const auto known = shown_.constFind(at); known != shown_.cend()) return *known;
    QString text = stored;
    if (auto* c = const_cast<Column*>(find(table, column))) {
        text = c->show(stored);
    } else if (const Field* plain = plain_->findField(column.trimmed())) {
        text = Column(*plain).show(stored);
    }
    // A key filled with zeros (the proposal's number, a line's code) reads without them.
    if (text.size() == kProposalNumberDigits && text.front() == u'0' &&
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        text = shortNumber(text);
    shown_.insert(at, text);
    return text;
}

}  // namespace cot
