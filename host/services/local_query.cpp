#include "local_query.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

#include "base/errors.h"
#include "sql/sql_packet.h"
#include "sql/sql_text.h"

namespace cot {

TADOIBQuery::TADOIBQuery(const QString& name) : table_(std::make_unique<ClientTable>(name)) {}

TADOIBQuery::~TADOIBQuery() = default;

void TADOIBQuery::setSql(const QString& text) {
    lines_ = text.split('\n');
    reparse();
}

void TADOIBQuery::addSql(const QString& line) {
    lines_ << line;
    reparse();
}

void TADOIBQuery::clearSql() {
    lines_.clear();
    reparse();
}

QString TADOIBQuery::sql() const { return lines_.join('\n'); }

void TADOIBQuery::reparse() {
    close();
    const QStringList names = sql::toPositional(sql()).names;
    std::vector<std::unique_ptr<QueryParam>> kept;
    for (const QString& n : names) {
        const auto same = [&](const std::unique_ptr<QueryParam>& p) {
            return p && p->name().compare(n, Qt::CaseInsensitive) == 0;  // moved-from entries are null
        };
        if (std::any_of(kept.begin(), kept.end(), same)) continue;
        const auto old = std::find_if(params_.begin(), params_.end(), same);
        kept.push_back(old != params_.end() ? std::move(*old) : std::make_unique<QueryParam>(n));
    }
    params_ = std::move(kept);
}

QStringList TADOIBQuery::paramNames() const {
    QStringList names;
    for (const auto& p : params_) names << p->name();
    return names;
}

QueryParam& TADOIBQuery::paramByName(const QString& name) {
    for (const auto& p : params_)
        if (p->name().compare(name.trimmed(), Qt::CaseInsensitive) == 0) return *p;
    throw UserError(QStringLiteral("Parâmetro '%1' não encontrado.").arg(name));
}

Field& TADOIBQuery::addField(const QString& name, FieldType type, int size) {
    return table_->addField(name.toUpper(), type, size);
}

bool TADOIBQuery::active() const { return table_->active(); }

void TADOIBQuery::close() {
    if (table_->active()) table_->close();
}

void TADOIBQuery::open() {
    close();
    const QString text = sql();
    sql::ensureReadOnly(text);
    QSqlDatabase db = HostDatabase::database();
    const QString what = table_->name().isEmpty() ? QStringLiteral("consulta") : table_->name();
    const auto fail = [&](const QSqlQuery& q) {
        qWarning().noquote() << "host query" << what << "failed:" << q.lastError().text() << "\n" << text;
        throw UserError(QStringLiteral("Erro ao consultar o banco de dados do sistema (%1).").arg(what));
    };

    Packet packet;
    {
        const sql::PositionalSql positional = sql::toPositional(text);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.prepare(positional.sql)) fail(q);
        for (int i = 0; i < positional.names.size(); ++i)
            q.bindValue(i, sql::bindable(paramByName(positional.names[i]).value()));
        if (!q.exec()) fail(q);
        // Fields declared before opening keep their definition.
        packet = sql::readPacket(q, table_->fieldDefs());
        if (q.lastError().isValid()) fail(q);
    }
    table_->setData(packet);
}

}  // namespace cot
