#include "scenario_runner.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QDialog>
#include <QTest>
#include <cstdlib>

#include "base/errors.h"
#include "screens/sign_in.h"
#include "services/session.h"

namespace cot::shell {

namespace {

QString stepPlace(const ScenarioStep& step) { return QStringLiteral("na linha %1: %2").arg(step.line).arg(step.text); }

QString windowName(const QWidget& w) { return w.objectName().isEmpty() ? w.windowTitle() : w.objectName(); }

// A window is named by its object name or by its class (with or without namespace).
bool windowIs(const QWidget& w, const QString& name) {
    const QString className = QString::fromLatin1(w.metaObject()->className());
    return w.objectName() == name || className == name || className.endsWith(QStringLiteral("::") + name);
}

}  // namespace

ScenarioRunner::ScenarioRunner(ScenarioScript script, Hooks hooks, std::FILE* out)
    : script_(std::move(script)), hooks_(std::move(hooks)), out_(out),
      previousDialogs_(Dialogs::installed() ? &Dialogs::current() : nullptr),
      previousOpener_(FileOpener::installed() ? &FileOpener::current() : nullptr) {
    Dialogs::setCurrent(&dialogs_);
    FileOpener::setCurrent(&opener_);
    ModalRunner::setCurrent(this);
    watchdog_.setInterval(1000);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { watch(); });
}

ScenarioRunner::~ScenarioRunner() {
    ModalRunner::setCurrent(nullptr);
    Dialogs::setCurrent(previousDialogs_);
    FileOpener::setCurrent(previousOpener_);
}

void ScenarioRunner::print(const QString& line) {
    std::fprintf(out_, "%s\n", line.toUtf8().constData());
    std::fflush(out_);
}

void ScenarioRunner::report(const QString& where, const ScenarioFailure& failure) {
    failed_ = true;
    print(QStringLiteral("FALHOU ") + where);
    if (!failure.message.isEmpty()) print(QStringLiteral("  ") + failure.message);
    if (!failure.expected.isEmpty() || !failure.found.isEmpty()) {
        print(QStringLiteral("  esperado: ") + failure.expected);
        print(QStringLiteral("  encontrado: ") + failure.found);
    }
}

void ScenarioRunner::watch() {
    if (!current_ || stepClock_.elapsed() < kStepSeconds * 1000) return;
    report(stepPlace(*current_), {QStringLiteral("o passo não terminou em %1 s").arg(kStepSeconds), {}, {}});
    print(QStringLiteral("roteiro interrompido"));
    std::_Exit(1);
}

int ScenarioRunner::run() {
    watchdog_.start();
    // Whatever the shell showed before the first step (an --open that failed) counts too.
    if (const auto& f = dialogs_.failure()) report(QStringLiteral("antes do primeiro passo"), *f);
    runSteps([] { return false; });
    watchdog_.stop();
    if (!failed_ && !dialogs_.pending().empty()) {
        const ScenarioDialogs::Answer& a = dialogs_.pending().front();
        report(QStringLiteral("no fim do roteiro"),
               {QStringLiteral("resposta não usada (linha %1)").arg(a.line), QStringLiteral("um diálogo para a resposta"),
                QStringLiteral("nenhum")});
    }
    print(failed_ ? QStringLiteral("roteiro interrompido")
                  : QStringLiteral("roteiro concluído: %1 passos").arg(script_.steps.size()));
    return failed_ ? 1 : 0;
}

void ScenarioRunner::runSteps(const std::function<bool()>& done) {
    while (!failed_ && next_ < script_.steps.size() && !done()) {
        // A dialog nobody answered while the enclosing step ran is that step's failure.
        if (const auto& f = dialogs_.failure()) {
            report(current_ ? stepPlace(*current_) : QStringLiteral("antes do primeiro passo"), *f);
            return;
        }
        const ScenarioStep& step = script_.steps[next_++];
        print(QString(modals_.size() * 2, QLatin1Char(' ')) + QStringLiteral("%1: %2").arg(step.line).arg(step.text));
        const ScenarioStep* enclosing = current_;
        current_ = &step;
        stepClock_.restart();
        controls_.setFrontWindow(frontWindow());
        StepResult result = perform(step);
        ScenarioControls::settle();
        current_ = enclosing;
        if (failed_) return;  // already reported by a step run inside this one
        if (!result && dialogs_.failure()) result = dialogs_.failure();
        if (result) report(stepPlace(step), *result);
    }
}

StepResult ScenarioRunner::perform(const ScenarioStep& step) {
    const QString& v = step.verb;
    QStringList a = step.args;
    const QDate today = QDate::currentDate();
    for (QString& arg : a) arg = expandScenarioDates(arg, today);
    try {
        if (v == QLatin1String("signin")) return signIn(a);
        if (v == QLatin1String("server")) {
            const int colon = a[0].lastIndexOf(QLatin1Char(':'));
            Session::instance().setServer(a[0].left(colon), a[0].mid(colon + 1).toInt());
            if (hooks_.sessionChanged) hooks_.sessionChanged();
            return std::nullopt;
        }
        if (v == QLatin1String("open")) {
            if (!hooks_.openModule || (!hooks_.openModule(a[0]) && !dialogs_.failure()))
                return ScenarioFailure{QStringLiteral("não foi possível abrir o módulo %1").arg(a[0]), {}, {}};
            return std::nullopt;
        }
        if (v == QLatin1String("page")) return controls_.choosePage(a[0]);
        if (v == QLatin1String("focus")) return controls_.focus(a[0]);
        if (v == QLatin1String("type")) return a.size() == 2 ? controls_.type(a[0], a[1]) : controls_.type({}, a[0]);
        if (v == QLatin1String("press")) {
            int key = 0;
            Qt::KeyboardModifiers modifiers;
            parseScenarioKey(a.last(), key, modifiers);  // checked when the file was read
            return controls_.press(a.size() == 2 ? a[0] : QString(), key, modifiers);
        }
        if (v == QLatin1String("click")) return controls_.click(a[0]);
        if (v == QLatin1String("select")) return controls_.selectRow(a[0], a[1], a[2]);
        if (v == QLatin1String("double-click")) return controls_.clickCell(a[0], a[1], Qt::LeftButton, true);
        if (v == QLatin1String("right-click")) return controls_.clickCell(a[0], a[1], Qt::RightButton, false);
        if (v == QLatin1String("answer")) {
            if (a.size() == 3) dialogs_.queue({{}, a[1], a[2], step.line});
            else if (a.size() == 2) dialogs_.queue({a[0].toLower(), {}, {}, step.line, a[1]});
            else dialogs_.queue({a[0], {}, {}, step.line});
            return std::nullopt;
        }
        if (v == QLatin1String("window")) return checkWindow(a[0]);
        if (v == QLatin1String("close")) return closeWindow();
        if (v == QLatin1String("wait")) {
            QTest::qWait(a[0].toInt());
            return std::nullopt;
        }
        if (v == QLatin1String("expect-dialog")) {
            const QString found = dialogs_.anyShown() ? dialogs_.lastText() : QStringLiteral("(nenhum diálogo)");
            if (found != a[0]) return ScenarioFailure{QStringLiteral("texto do último diálogo"), a[0], found};
            return std::nullopt;
        }
        if (v == QLatin1String("expect-text")) return controls_.expectText(a[0], a[1]);
        if (v == QLatin1String("expect-field")) return controls_.expectField(a[0], a[1], a[2]);
        if (v == QLatin1String("expect-rows")) return controls_.expectRows(a[0], a[1].toInt());
        if (v == QLatin1String("screenshot")) return screenshot(a[0]);
        if (v == QLatin1String("expect-opened")) {
            QStringList names;
            for (const QString& path : opener_.opened) names << QFileInfo(path).fileName();
            if (!names.contains(a[0]))
                return ScenarioFailure{QStringLiteral("arquivo aberto com o programa do sistema"), a[0],
                                       names.isEmpty() ? QStringLiteral("nenhum") : names.join(QStringLiteral(", "))};
            return std::nullopt;
        }
    } catch (const UserError& e) {
        return ScenarioFailure{e.text(), {}, {}};
    } catch (const std::exception& e) {
        return ScenarioFailure{QStringLiteral("Erro: %1").arg(QString::fromUtf8(e.what())), {}, {}};
    }
    return ScenarioFailure{QStringLiteral("passo desconhecido: %1").arg(v), {}, {}};
}

StepResult ScenarioRunner::signIn(const QStringList& args) {
    try {
        SignIn::signIn(args[0], args[1], args.value(2));
    } catch (const UserError& e) {
        return ScenarioFailure{QStringLiteral("entrada recusada"), QStringLiteral("operador %1 conectado").arg(args[0]),
                               e.text()};
    }
    if (hooks_.sessionChanged) hooks_.sessionChanged();
    return std::nullopt;
}

QWidget* ScenarioRunner::frontWindow() const {
    for (qsizetype i = modals_.size() - 1; i >= 0; --i)
        if (modals_[i]) return modals_[i];
    return nullptr;
}

StepResult ScenarioRunner::checkWindow(const QString& name) const {
    QWidget* front = frontWindow();
    if (!front || !front->isVisible())
        return ScenarioFailure{QStringLiteral("nenhuma janela modal aberta"), name, QStringLiteral("nenhuma")};
    if (!windowIs(*front, name)) return ScenarioFailure{QStringLiteral("outra janela modal"), name, windowName(*front)};
    return std::nullopt;
}

StepResult ScenarioRunner::screenshot(const QString& path) const {
    // The modal window being driven, else the largest window shown (not the busy
    // animation or a tip that may be in front).
    QWidget* shown = frontWindow();
    if (shown && !shown->isVisible()) shown = nullptr;
    if (!shown)
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && (!shown || w->width() * w->height() > shown->width() * shown->height())) shown = w;
    if (!shown) return ScenarioFailure{QStringLiteral("nenhuma janela para fotografar"), path, {}};
    ScenarioControls::settle();
    const QFileInfo target(path);
    QDir().mkpath(target.absolutePath());
    if (!shown->grab().save(target.absoluteFilePath()))
        return ScenarioFailure{QStringLiteral("não foi possível salvar a imagem"), path, {}};
    return std::nullopt;
}

StepResult ScenarioRunner::closeWindow() {
    QWidget* front = frontWindow();
    if (!front || !front->isVisible()) return ScenarioFailure{QStringLiteral("nenhuma janela modal aberta"), {}, {}};
    front->close();  // as the title bar's close button: the window may refuse
    return std::nullopt;
}

int ScenarioRunner::exec(QDialog& dialog) {
    dialog.setResult(QDialog::Rejected);
    return showModal(dialog);
}

int ScenarioRunner::showModal(QWidget& window) {
    clearModalResult(window);
    QPointer<QWidget> guard(&window);
    const QString name = windowName(window);
    const ScenarioStep* announced =
        next_ < script_.steps.size() && script_.steps[next_].verb == QLatin1String("window") ? &script_.steps[next_]
                                                                                             : nullptr;
    if (!failed_ && (!announced || !windowIs(window, announced->args[0]))) {
        report(current_ ? stepPlace(*current_) : QStringLiteral("antes do primeiro passo"),
               {QStringLiteral("janela não prevista pelo roteiro"),
                announced ? QStringLiteral("janela %1").arg(announced->args[0]) : QStringLiteral("nenhuma janela"),
                QStringLiteral("janela %1").arg(name)});
    }
    if (failed_) {
        closeModal(window, mrCancel);
        return mrCancel;
    }

    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    ScenarioControls::settle();
    modals_.append(guard);
    runSteps([&] { return !guard || !guard->isVisible(); });
    modals_.removeLast();
    if (!guard) return mrCancel;
    if (window.isVisible()) {
        if (!failed_)
            report(QStringLiteral("no fim do roteiro"),
                   {QStringLiteral("a janela %1 continua aberta").arg(name), QStringLiteral("janela fechada"),
                    QStringLiteral("janela %1 aberta").arg(name)});
        if (!hasModalResult(window)) setModalResult(window, mrCancel);
        window.hide();
    }
    return modalResultOf(window);
}

}  // namespace cot::shell
