#include "scenario_controls.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QStyle>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <algorithm>

#include "data/client_table.h"
#include "data/field.h"
#include "ui/db_grid.h"
#include "ui/menus.h"
#include "ui/page_control.h"

namespace cot::shell {

namespace {

ScenarioFailure refused(const QString& message) { return {message, {}, {}}; }

ScenarioFailure mismatch(const QString& message, const QString& expected, const QString& found) {
    return {message, expected, found};
}

QString nameOf(const QWidget* w) {
    if (!w) return QStringLiteral("nenhum");
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// The named control's own widget or the one holding the keyboard now.
QWidget* keyTarget(QWidget* fallback) {
    QWidget* focused = QApplication::focusWidget();
    return focused ? focused : fallback;
}

void typeChar(QWidget* target, QChar c) {
    // QTest's key table knows printable ASCII only (it asserts on the rest): a letter
    // such as ã gets the key Qt gives it (its upper-case Latin-1 code) and its own text.
    if (c.unicode() >= 0x20 && c.unicode() < 0x7f) {
        QTest::keyClick(target, char(c.unicode()));
        return;
    }
    const char16_t upper = c.toUpper().unicode();
    const auto key = upper >= 0xa0 && upper < 0x100 ? static_cast<Qt::Key>(upper) : Qt::Key_unknown;
    QTest::sendKeyEvent(QTest::Click, target, key, QString(c), Qt::NoModifier);
}

int visibleColumn(TDBGrid& grid, const QString& field) {
    const int own = IndiceCol(&grid, field);
    if (own >= 0 && !grid.isColumnHidden(own)) return own;
    const int columns = grid.model() ? grid.model()->columnCount() : 0;
    for (int c = std::max(0, grid.selectedIndex()); c < columns; ++c)
        if (!grid.isColumnHidden(c)) return c;
    for (int c = 0; c < columns; ++c)
        if (!grid.isColumnHidden(c)) return c;
    return -1;
}

}  // namespace

std::optional<QString> shownText(QWidget& w) {
    if (auto* e = qobject_cast<QLineEdit*>(&w)) return e->text();
    if (auto* c = qobject_cast<QComboBox*>(&w)) return c->currentText();
    if (auto* p = qobject_cast<QPlainTextEdit*>(&w)) return p->toPlainText();
    if (auto* t = qobject_cast<QTextEdit*>(&w)) return t->toPlainText();
    if (auto* s = qobject_cast<QAbstractSpinBox*>(&w)) return s->text();
    if (auto* b = qobject_cast<QAbstractButton*>(&w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(&w)) return l->text();
    if (auto* page = dynamic_cast<TTabSheet*>(&w)) return page->caption();
    return std::nullopt;
}

// Scrolls the cell into view in an active window, where a click reaches it.
void ScenarioControls::showCell(TDBGrid& grid, const QModelIndex& index) {
    grid.scrollTo(index);
    settle();
    QWidget* window = grid.window();
    if (!window->isActiveWindow()) {
        window->activateWindow();
        QApplication::setActiveWindow(window);
        settle();
    }
}

void ScenarioControls::settle() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

QList<QWidget*> ScenarioControls::roots() const {
    QList<QWidget*> out;
    if (front_) out << front_.data();
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget* w : all)
        if (w->isVisible() && !out.contains(w)) out << w;
    for (QWidget* w : all)
        if (!out.contains(w)) out << w;
    return out;
}

QWidget* ScenarioControls::findWidget(const QString& name) const {
    for (QWidget* root : roots()) {
        if (root->objectName() == name) return root;
        if (QWidget* w = root->findChild<QWidget*>(name)) return w;
    }
    return nullptr;
}

bool ScenarioControls::giveFocus(QWidget& widget) {
    QWidget* window = widget.window();
    if (!window->isActiveWindow()) {
        window->activateWindow();
        QApplication::setActiveWindow(window);
        settle();
    }
    widget.setFocus(Qt::MouseFocusReason);
    settle();
    QWidget* focused = QApplication::focusWidget();
    return widget.hasFocus() || (focused && widget.isAncestorOf(focused));
}

StepResult ScenarioControls::usable(QWidget& w) {
    if (!w.isEnabled()) return mismatch(QStringLiteral("%1 está desabilitado").arg(nameOf(&w)), "habilitado", "desabilitado");
    if (!w.isVisible()) return mismatch(QStringLiteral("%1 não está visível").arg(nameOf(&w)), "visível", "oculto");
    return std::nullopt;
}

StepResult ScenarioControls::focus(const QString& name) {
    QWidget* w = findWidget(name);
    if (!w) return refused(QStringLiteral("não há controle chamado %1").arg(name));
    if (auto r = usable(*w)) return r;
    if (!giveFocus(*w))
        return mismatch(QStringLiteral("%1 não recebeu o foco").arg(name), name, nameOf(QApplication::focusWidget()));
    return std::nullopt;
}

StepResult ScenarioControls::type(const QString& name, const QString& text) {
    QWidget* target = nullptr;
    if (!name.isEmpty()) {
        if (auto r = focus(name)) return r;
        target = findWidget(name);
    } else if (!QApplication::focusWidget()) {
        return refused(QStringLiteral("nenhum controle tem o foco"));
    }
    // Each key goes where the keyboard is now: a key may open a cell editor or move on.
    for (const QChar c : text) {
        QWidget* to = keyTarget(target);
        if (!to) return refused(QStringLiteral("nenhum controle tem o foco"));
        typeChar(to, c);
        settle();
    }
    return std::nullopt;
}

StepResult ScenarioControls::press(const QString& name, int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = nullptr;
    if (!name.isEmpty()) {
        if (auto r = focus(name)) return r;
        target = findWidget(name);
    }
    QWidget* to = keyTarget(target);
    if (!to) return refused(QStringLiteral("nenhum controle tem o foco"));
    QTest::keyClick(to, static_cast<Qt::Key>(key), modifiers);
    settle();
    return std::nullopt;
}

// Where a click lands: a check box or radio button stretched by its layout reacts only on
// its mark and caption, so it is clicked on its mark.
QPoint ScenarioControls::clickPoint(const QWidget& w) {
    if (qobject_cast<const QRadioButton*>(&w) || qobject_cast<const QCheckBox*>(&w))
        return {w.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &w) / 2 + 1, w.height() / 2};
    return w.rect().center();
}

StepResult ScenarioControls::click(const QString& name) {
    if (QWidget* w = findWidget(name)) {
        if (auto r = usable(*w)) return r;
        QWidget* window = w->window();
        if (!window->isActiveWindow()) {
            window->activateWindow();
            QApplication::setActiveWindow(window);
        }
        if (w->focusPolicy() & Qt::ClickFocus) giveFocus(*w);
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, clickPoint(*w));
        settle();
        return std::nullopt;
    }
    if (TMenuItem* item = findObject<TMenuItem>(name)) {
        if (!item->enabled()) return mismatch(QStringLiteral("%1 está desabilitado").arg(name), "habilitado", "desabilitado");
        if (!item->visible()) return mismatch(QStringLiteral("%1 não está visível").arg(name), "visível", "oculto");
        // Choosing an entry closes the popup it was shown in, as the user's click does.
        for (QObject* o : item->action()->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(o); menu && menu->isVisible()) menu->hide();
        item->click();  // failures were shown through the dialogs
        settle();
        return std::nullopt;
    }
    return refused(QStringLiteral("não há botão nem menu chamado %1").arg(name));
}

StepResult ScenarioControls::choosePage(const QString& name) {
    auto* page = dynamic_cast<TTabSheet*>(findWidget(name));
    if (!page || !page->pageControl()) return refused(QStringLiteral("não há página chamada %1").arg(name));
    TPageControl* control = page->pageControl();
    if (!page->isEnabled()) return mismatch(QStringLiteral("a página %1 está desabilitada").arg(name), "habilitada", "desabilitada");
    if (!page->tabVisible()) return mismatch(QStringLiteral("a aba de %1 está oculta").arg(name), "visível", "oculta");
    control->selectByUser(page);
    settle();
    if (control->activePage() != page)
        return mismatch(QStringLiteral("a troca de página foi recusada"), name, nameOf(control->activePage()));
    return std::nullopt;
}

StepResult ScenarioControls::selectRow(const QString& gridName, const QString& field, const QString& value) {
    auto* grid = dynamic_cast<TDBGrid*>(findWidget(gridName));
    if (!grid) return refused(QStringLiteral("não há grade chamada %1").arg(gridName));
    ClientTable* table = grid->dataSet();
    if (!table || !table->active()) return refused(QStringLiteral("a grade %1 não tem tabela aberta").arg(gridName));
    if (!table->findField(field)) return refused(QStringLiteral("a tabela da grade %1 não tem o campo %2").arg(gridName, field));
    if (auto r = usable(*grid)) return r;

    int row = -1;
    QStringList seen;
    for (int r = 0; r < table->rowCount() && row < 0; ++r) {
        ClientTable::RowView view(*table, r);
        const Field& f = table->fieldByName(field);
        if (f.asString() == value || f.displayText() == value) row = r;
        else if (seen.size() < 20) seen << f.displayText();
    }
    if (row < 0)
        return mismatch(QStringLiteral("nenhuma linha de %1 tem %2 = %3").arg(gridName, field, value), value,
                        seen.isEmpty() ? QStringLiteral("(grade vazia)") : seen.join(QStringLiteral(" | ")));

    const int column = visibleColumn(*grid, field);
    if (column < 0) return refused(QStringLiteral("a grade %1 não mostra colunas").arg(gridName));
    const QModelIndex index = grid->model()->index(row, column);
    showCell(*grid, index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, grid->visualRect(index).center());
    settle();
    if (table->currentRow() != row)
        return mismatch(QStringLiteral("a linha não foi selecionada"), QStringLiteral("linha %1").arg(row + 1),
                        QStringLiteral("linha %1").arg(table->currentRow() + 1));
    return std::nullopt;
}

StepResult ScenarioControls::clickCell(const QString& gridName, const QString& field, Qt::MouseButton button,
                                       bool twice) {
    auto* grid = dynamic_cast<TDBGrid*>(findWidget(gridName));
    if (!grid) return refused(QStringLiteral("não há grade chamada %1").arg(gridName));
    ClientTable* table = grid->dataSet();
    if (!table || !table->active() || table->currentRow() < 0)
        return refused(QStringLiteral("a grade %1 não tem linha atual").arg(gridName));
    if (auto r = usable(*grid)) return r;
    const int column = grid->columnOf(field) ? grid->columnOf(field)->index : -1;
    if (column < 0) return refused(QStringLiteral("a grade %1 não mostra o campo %2").arg(gridName, field));
    const QModelIndex index = grid->model()->index(table->currentRow(), column);
    showCell(*grid, index);
    const QPoint at = grid->visualRect(index).center();
    if (twice) QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    else QTest::mouseClick(grid->viewport(), button, Qt::NoModifier, at);
    settle();
    return std::nullopt;
}

StepResult ScenarioControls::expectText(const QString& name, const QString& text) const {
    QWidget* w = findWidget(name);
    if (!w) return refused(QStringLiteral("não há controle chamado %1").arg(name));
    const std::optional<QString> shown = shownText(*w);
    if (!shown) return refused(QStringLiteral("%1 não mostra texto").arg(name));
    if (*shown != text) return mismatch(QStringLiteral("texto de %1").arg(name), text, *shown);
    return std::nullopt;
}

StepResult ScenarioControls::expectField(const QString& tableName, const QString& field, const QString& value) const {
    auto* table = findObject<ClientTable>(tableName);
    if (!table) return refused(QStringLiteral("não há tabela chamada %1").arg(tableName));
    if (!table->active()) return mismatch(QStringLiteral("%1.%2").arg(tableName, field), value, QStringLiteral("(tabela fechada)"));
    const Field* f = table->findField(field);
    if (!f) return refused(QStringLiteral("a tabela %1 não tem o campo %2").arg(tableName, field));
    if (table->isEmpty()) return mismatch(QStringLiteral("%1.%2").arg(tableName, field), value, QStringLiteral("(tabela vazia)"));
    if (f->asString() != value) return mismatch(QStringLiteral("%1.%2").arg(tableName, field), value, f->asString());
    return std::nullopt;
}

StepResult ScenarioControls::expectRows(const QString& name, int rows) const {
    int found = -1;
    if (auto* view = qobject_cast<QAbstractItemView*>(findWidget(name))) {
        found = view->model() ? view->model()->rowCount() : 0;
    } else if (auto* table = findObject<ClientTable>(name)) {
        found = table->active() ? table->recordCount() : 0;
    } else {
        return refused(QStringLiteral("não há grade nem tabela chamada %1").arg(name));
    }
    if (found != rows)
        return mismatch(QStringLiteral("linhas de %1").arg(name), QString::number(rows), QString::number(found));
    return std::nullopt;
}

}  // namespace cot::shell
