// cot-host: signs the operator in and opens the modules of the system from its menu.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "base/heap_pages.h"
#include "base/local_time_zone.h"
#include "host_config.h"
#include "main_window.h"
#include "module_registry.h"
#include "qt_translations.h"
#include "scenario_plugin.h"
#include "rpc/rpc_channel.h"
#include "screens/sign_in.h"
#include "base/errors.h"
#include "services/cipher.h"
#include "services/load_bpl.h"
#include "services/user_registry.h"
#include "services/local_query.h"
#include "services/session.h"
#include "ui/desktop_file_opener.h"
#include "ui/qt_dialogs.h"

namespace {

int fail(const QString& text) {
    std::fprintf(stderr, "cot-host: %s\n", qPrintable(text));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    cot::restartWithHugeHeapPages(argv);
    cot::useOneHeapArena();
    cot::readLocalTimeZoneOnce();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cot-host"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sistema Comercial"));
    QTranslator qtTexts;
    if (!cot::shell::installQtTranslations(qtTexts))
        std::fprintf(stderr, "cot-host: tradução do Qt (qt6-translations-l10n) não encontrada\n");

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    const auto config = cot::shell::HostConfig::fromArguments(arguments, qEnvironmentVariable("COT_PASSWORD"));
    if (config.help) {
        std::fputs(qPrintable(cot::shell::HostConfig::usage()), stdout);
        return 0;
    }
    if (config.version) {
        std::printf("cot-host %s\n", COT_VERSION);
        return 0;
    }
    if (!config.error.isEmpty()) return fail(config.error + QLatin1Char('\n') + cot::shell::HostConfig::usage());
    if (!config.moduleFolder.isEmpty()) cot::setModuleFolder(config.moduleFolder);
    // A scenario that cannot be read stops here, before any window.
    std::unique_ptr<cot::shell::Scenario> scenario;
    if (!config.scenario.isEmpty()) {
        QString error;
        scenario = cot::shell::loadScenario(config.scenario, &error);
        if (!scenario) {
            fail(config.scenario + QStringLiteral(": ") + error);
            return 2;
        }
    }
    const bool scenarioRun = !config.scenario.isEmpty();

    cot::QtDialogs dialogs;
    cot::Dialogs::setCurrent(&dialogs);
    cot::DesktopFileOpener opener;
    cot::FileOpener::setCurrent(&opener);
    const bool unattended = !config.screenshot.isEmpty() || scenarioRun;

    if (!config.attachmentsDir.isEmpty()) {
        try {
            const QString folder = QDir(config.attachmentsDir).absolutePath();
            QDir().mkpath(folder);
            cot::UserRegistry::writeString(QString::fromLatin1(cot::UserRegistry::kSistemasKey),
                                           QStringLiteral("DirArqSoli"), cot::Criptografa::Cripto(folder, 2));
        } catch (const cot::UserError& e) {
            return fail(e.text());
        }
    }

    try {
        cot::HostDatabase::open(config.databaseUrl);
    } catch (const cot::UserError& e) {
        if (!unattended) dialogs.error(e.text());
        return fail(e.text());
    }

    cot::rpc_channel::setTls(config.tls, config.tlsCa);
    auto& session = cot::Session::instance();
    session.setServer(config.webUrl, config.webPort);
    bool signedIn = false;
    if (!config.operatorCode.isEmpty() && !config.password.isEmpty()) {
        try {
            cot::SignIn::signIn(config.operatorCode, config.password, config.branch);
            signedIn = true;
        } catch (const cot::UserError& e) {
            if (unattended) return fail(e.text());
            dialogs.error(e.text());
        }
    }
    // A scenario without operator on the command line signs in as one of its steps.
    if (!signedIn && !scenarioRun) {
        if (unattended) return fail(QStringLiteral("Operador e senha devem ser informados (--operator, --password)."));
        cot::TfrmLogin login;
        login.setServer(config.webUrl, config.webPort);
        if (!config.operatorCode.isEmpty()) login.setOperator(config.operatorCode);
        if (login.ShowModal() != cot::mrOk) return 0;
    }

    // A session that ends while the operator works (left idle too long) is renewed by
    // signing in again; the call that met it is then sent again and nothing is lost.
    if (!unattended)
        cot::rpc_channel::setSessionRenewer([] {
            cot::TfrmLogin login;
            login.renewSession();
            return login.ShowModal() == cot::mrOk;
        });
    cot::shell::MainWindow window(cot::shell::registeredModules());
    window.show();
    if (scenarioRun) {
        scenario->attach(cot::shell::Scenario::Hooks{[&](const QString& module) { return window.openModule(module); },
                                                     [&] { window.refreshStatus(); }});
        QTimer::singleShot(0, &window, [&] {
            if (!config.openModule.isEmpty()) window.openModule(config.openModule);
            QApplication::exit(scenario->run());
        });
    } else if (!config.openModule.isEmpty()) {
        QTimer::singleShot(0, &window, [&] { window.openModule(config.openModule); });
    }
    if (!config.screenshot.isEmpty()) {
        QTimer::singleShot(300, &window, [&] {
            const QFileInfo target(config.screenshot);
            QDir().mkpath(target.absolutePath());
            // With a module opened, the picture is of its screen (a window of its own).
            QWidget* shown = &window;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w != &window && w->isVisible() && w->isWindow() && w->width() * w->height() > 200 * 200) shown = w;
            const bool saved = shown->grab().save(config.screenshot);
            if (!saved) std::fprintf(stderr, "cot-host: não foi possível salvar %s\n", qPrintable(config.screenshot));
            QApplication::exit(saved ? 0 : 1);
        });
    }
    const int code = QApplication::exec();
    cot::unloadModules();  // while a scenario still answers any dialog they show
    cot::rpc_channel::setSessionRenewer({});
    cot::SignIn::signOut();
    scenario.reset();
    cot::Dialogs::setCurrent(nullptr);
    cot::FileOpener::setCurrent(nullptr);
    return code;
}
