#include "report_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "base/errors.h"

namespace cot {

ReportStore& ReportStore::instance() {
    static ReportStore store;
    return store;
}

ReportStore::ReportStore() {
    if (!QCoreApplication::instance()) return;
    const QDir exe(QCoreApplication::applicationDirPath());
    for (const QString& rel : {QStringLiteral("../../assets/reports"), QStringLiteral("reports")})
        if (exe.exists(rel)) folders_ << QDir::cleanPath(exe.filePath(rel));
}

void ReportStore::registerReport(const ReportDefinition& report) {
    registered_.erase(std::remove_if(registered_.begin(), registered_.end(),
                                     [&](const ReportDefinition& r) {
                                         return r.code.compare(report.code, Qt::CaseInsensitive) == 0 && r.title == report.title;
                                     }),
                      registered_.end());
    registered_ << report;
}

void ReportStore::addFolder(const QString& folder) {
    if (!folders_.contains(folder)) folders_ << folder;
}

void ReportStore::clear() {
    registered_.clear();
    folders_.clear();
}

ReportDefinition ReportStore::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Relatório '%1' não pôde ser lido.").arg(path));
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    const QJsonObject o = doc.object();
    if (error.error != QJsonParseError::NoError || !doc.isObject() || !o.value("code").isString() ||
        !o.value("title").isString() || !o.value("body").isString())
        throw UserError(QStringLiteral("Relatório '%1' inválido: esperados \"code\", \"title\" e \"body\".").arg(path));
    ReportDefinition r{o.value("code").toString(), o.value("title").toString(), {}, o.value("body").toString(), path};
    for (const QJsonValue& v : o.value("params").toArray()) r.params << v.toString();
    return r;
}

QList<ReportDefinition> ReportStore::reportsFor(const QString& code) const {
    QList<ReportDefinition> out;
    for (const ReportDefinition& r : registered_)
        if (r.code.compare(code, Qt::CaseInsensitive) == 0) out << r;
    for (const QString& folder : folders_) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
            try {
                ReportDefinition r = readFile(dir.filePath(name));
                const bool known = std::any_of(out.begin(), out.end(), [&](const ReportDefinition& o) {
                    return o.title == r.title && o.code.compare(r.code, Qt::CaseInsensitive) == 0;
                });
                if (r.code.compare(code, Qt::CaseInsensitive) == 0 && !known) out << r;
            } catch (const UserError&) {
                // A broken layout file is left out of the list (and logged); the others still print.
                qWarning("%s", qPrintable(QStringLiteral("relatório ignorado: ") + dir.filePath(name)));
            }
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const ReportDefinition& a, const ReportDefinition& b) { return a.title.localeAwareCompare(b.title) < 0; });
    return out;
}

}  // namespace cot
