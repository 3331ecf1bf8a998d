#pragma once
#include <QList>
#include <QString>
#include <QStringList>

namespace cot {

// One report layout of the host's report store.
//
// File form (UTF-8 JSON, one file per report, in a folder of the store):
//   {"code": "COT050", "title": "Proposta de Contratação - Manutenção",
//    "params": ["P_CDFILIAL", "P_NRPROPOSFAS"], "body": "<h1>Proposta {{P_NRPROPOSFAS}}</h1>..."}
// The body is HTML; {{NAME}} is replaced by the (HTML-escaped) value of parameter NAME.
struct ReportDefinition {
    QString code;    // report code the launcher lists ("COT050")
    QString title;   // as shown in the launcher's list
    QStringList params;
    QString body;
    QString source;  // file it came from ("" when registered in code)
};

// The host's report store: definitions registered in code (modules register theirs when
// loaded) plus the files of the store folders (default: <executable>/../../assets/reports
// and <executable>/reports, whichever exist). Reports are listed by code in title order.
class ReportStore {
public:
    static ReportStore& instance();

    void registerReport(const ReportDefinition& report);  // replaces one with the same code and title
    void addFolder(const QString& folder);
    void clear();  // forgets registrations and folders (tests)

    QList<ReportDefinition> reportsFor(const QString& code) const;
    // Reads a definition file; throws UserError with a Portuguese text when malformed.
    static ReportDefinition readFile(const QString& path);

private:
    ReportStore();
    QList<ReportDefinition> registered_;
    QStringList folders_;
};

}  // namespace cot
