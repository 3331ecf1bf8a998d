#include "server/client_page/decision_notice.h"

#include <QStringList>
#include <cstdio>

#include "data/proposal_number.h"
#include "server/client_page/branch_mail.h"
#include "server/client_page/page_data.h"
#include "server/client_page/page_text.h"
#include "server/storage/database.h"

namespace cot::server::client_page {

namespace {

void complain(const Decision& d, const QString& why) {
    std::fprintf(stderr, "cot05000-server: aviso da decisão da proposta %s/%s não enviado: %s\n",
                 qPrintable(shortNumber(d.nr)), qPrintable(d.ver), qPrintable(why));
    std::fflush(stderr);
}

}  // namespace

QString reasonName(QChar reason) {
    switch (reason.unicode()) {
        case u'P': return QStringLiteral("Preço");
        case u'Z': return QStringLiteral("Prazo");
        case u'C': return QStringLiteral("Concorrente");
        case u'E': return QStringLiteral("Escopo");
        case u'O': return QStringLiteral("Outro");
        default: return {};
    }
}

std::optional<DecisionNotice> prepareDecisionNotice(Database& db, const Decision& d) {
    try {
        const Packet p = db.query(QStringLiteral("SELECT CDFILIAL, CDOPERRESP, CDOPERINCL FROM PROPOSTAFAS "
                                                 "WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER"),
                                  {{"NR", d.nr}, {"VER", d.ver}});
        if (p.isEmpty()) return std::nullopt;
        QString salesperson = p.value(0, QStringLiteral("CDOPERRESP")).toString().trimmed();
        if (salesperson.isEmpty()) salesperson = p.value(0, QStringLiteral("CDOPERINCL")).toString().trimmed();
        const QString to = operatorAddress(db, salesperson);
        if (to.isEmpty()) {
            complain(d, QStringLiteral("o vendedor %1 não tem e-mail cadastrado").arg(salesperson));
            return std::nullopt;
        }
        const BranchMail branch = branchMail(db, p.value(0, QStringLiteral("CDFILIAL")).toString().trimmed());

        const QString title = QStringLiteral("Proposta %1").arg(shortProposalNumber(d.nr, d.ver));
        QStringList lines;
        if (d.accepted()) {
            lines << QStringLiteral("%1 foi aceita pelo cliente.").arg(title);
            lines << QStringLiteral("Responsável: %1").arg(d.name);
            if (!d.role.isEmpty()) lines << QStringLiteral("Cargo: %1").arg(d.role);
        } else {
            lines << QStringLiteral("%1 foi recusada pelo cliente.").arg(title);
            lines << QStringLiteral("Motivo: %1").arg(reasonName(d.reason));
        }
        lines << QStringLiteral("Data: %1").arg(d.at.toString(QStringLiteral("dd/MM/yyyy HH:mm")));
        lines << QStringLiteral("Endereço de origem: %1").arg(d.address);
        if (!d.comment.isEmpty()) lines << QString() << QStringLiteral("Comentário do cliente:") << d.comment;

        DecisionNotice notice;
        notice.account = branch.account;
        notice.message.from = branch.from;
        notice.message.to = QStringList{to};
        notice.message.subject = QStringLiteral("%1 %2 pelo cliente")
                                     .arg(title, d.accepted() ? QStringLiteral("aceita") : QStringLiteral("recusada"));
        notice.message.textPart = lines.join(u'\n') + u'\n';
        notice.message.htmlPart = QStringLiteral("<html><body><p>%1</p></body></html>")
                                      .arg(inertHtml(lines.join(u'\n')));
        return notice;
    } catch (const std::exception& e) {
        complain(d, QString::fromUtf8(e.what()));
        return std::nullopt;
    }
}

void sendDecisionNotice(const DecisionNotice& notice) {
    try {
        defaultMailSender().send(notice.account, notice.message);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot05000-server: aviso \"%s\" não enviado: %s\n", qPrintable(notice.message.subject),
                     e.what());
        std::fflush(stderr);
    }
}

}  // namespace cot::server::client_page
