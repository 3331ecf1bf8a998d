#include "format_panel.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QTextCursor>
#include <QTextList>

#include "event_boundary.h"
#include "rich_edit.h"

namespace cot {

namespace {

void mergeFormat(TDBRichEdit* e, const QTextCharFormat& format) {
    QTextCursor cursor = e->textCursor();
    if (!cursor.hasSelection()) cursor.select(QTextCursor::WordUnderCursor);
    cursor.mergeCharFormat(format);
    e->mergeCurrentCharFormat(format);
}

}  // namespace

TFormatPanel::TFormatPanel(const QString& name, QWidget* parent)
    : TPanel(name, parent), font_(new QFontComboBox(this)), size_(new QSpinBox(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    font_->setObjectName(name + QStringLiteral("_font"));
    size_->setObjectName(name + QStringLiteral("_size"));
    size_->setRange(6, 72);
    size_->setValue(10);
    for (QWidget* w : {static_cast<QWidget*>(font_), static_cast<QWidget*>(size_)}) w->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(font_);
    layout->addWidget(size_);
    connect(addButton(QStringLiteral("bold"), QStringLiteral("N"), true), &QToolButton::clicked, this, [this] { toggleBold(); });
    connect(addButton(QStringLiteral("italic"), QStringLiteral("I"), true), &QToolButton::clicked, this, [this] { toggleItalic(); });
    connect(addButton(QStringLiteral("underline"), QStringLiteral("S"), true), &QToolButton::clicked, this, [this] { toggleUnderline(); });
    connect(addButton(QStringLiteral("color"), QStringLiteral("Cor"), false), &QToolButton::clicked, this, [this] { setTextColor(QColor()); });
    connect(addButton(QStringLiteral("left"), QStringLiteral("Esq"), true), &QToolButton::clicked, this, [this] { setAlignment(Qt::AlignLeft); });
    connect(addButton(QStringLiteral("center"), QStringLiteral("Centro"), true), &QToolButton::clicked, this, [this] { setAlignment(Qt::AlignHCenter); });
    connect(addButton(QStringLiteral("right"), QStringLiteral("Dir"), true), &QToolButton::clicked, this, [this] { setAlignment(Qt::AlignRight); });
    connect(addButton(QStringLiteral("bullets"), QStringLiteral("•"), true), &QToolButton::clicked, this, [this] { toggleBullets(); });
    layout->addStretch(1);
    connect(font_, &QFontComboBox::currentFontChanged, this, [this](const QFont& f) {
        if (!syncing_) setFontFamily(f.family());
    });
    connect(size_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!syncing_) setFontSize(v);
    });
}

QToolButton* TFormatPanel::addButton(const QString& name, const QString& text, bool checkable) {
    auto* b = new QToolButton(this);
    b->setObjectName(objectName() + QLatin1Char('_') + name);
    b->setText(text);
    b->setCheckable(checkable);
    b->setFocusPolicy(Qt::NoFocus);  // the editor keeps the focus and its selection
    layout()->addWidget(b);
    return b;
}

QToolButton* TFormatPanel::button(const QString& name) const {
    return findChild<QToolButton*>(objectName() + QLatin1Char('_') + name);
}

void TFormatPanel::setEditor(TDBRichEdit* editor) {
    if (editor_ == editor) return;
    disconnect(cursorConnection_);
    editor_ = editor;
    if (editor) {
        cursorConnection_ = connect(editor, &QTextEdit::currentCharFormatChanged, this, [this] { syncFromEditor(); });
        syncFromEditor();
    }
}

bool TFormatPanel::ready() { return editor_ && editor_->beginEdit(); }

void TFormatPanel::syncFromEditor() {
    if (!editor_) return;
    syncing_ = true;
    const QTextCharFormat f = editor_->currentCharFormat();
    if (auto* b = button(QStringLiteral("bold"))) b->setChecked(f.fontWeight() >= QFont::Bold);
    if (auto* b = button(QStringLiteral("italic"))) b->setChecked(f.fontItalic());
    if (auto* b = button(QStringLiteral("underline"))) b->setChecked(f.fontUnderline());
    if (f.fontPointSize() > 0) size_->setValue(int(f.fontPointSize()));
    syncing_ = false;
}

void TFormatPanel::toggleBold() {
    runHandler([this] {
        if (!ready()) return;
        QTextCharFormat f;
        f.setFontWeight(editor_->currentCharFormat().fontWeight() >= QFont::Bold ? QFont::Normal : QFont::Bold);
        mergeFormat(editor_, f);
    });
}

void TFormatPanel::toggleItalic() {
    runHandler([this] {
        if (!ready()) return;
        QTextCharFormat f;
        f.setFontItalic(!editor_->currentCharFormat().fontItalic());
        mergeFormat(editor_, f);
    });
}

void TFormatPanel::toggleUnderline() {
    runHandler([this] {
        if (!ready()) return;
        QTextCharFormat f;
        f.setFontUnderline(!editor_->currentCharFormat().fontUnderline());
        mergeFormat(editor_, f);
    });
}

void TFormatPanel::setFontFamily(const QString& family) {
    runHandler([&] {
        if (!ready()) return;
        QTextCharFormat f;
        f.setFontFamilies({family});
        mergeFormat(editor_, f);
    });
}

void TFormatPanel::setFontSize(int points) {
    runHandler([&] {
        if (!ready() || points <= 0) return;
        QTextCharFormat f;
        f.setFontPointSize(points);
        mergeFormat(editor_, f);
    });
}

void TFormatPanel::setTextColor(const QColor& color) {
    runHandler([&] {
        if (!editor_) return;
        QColor c = color;
        if (!c.isValid()) c = QColorDialog::getColor(editor_->textColor(), this);
        if (!c.isValid() || !ready()) return;
        QTextCharFormat f;
        f.setForeground(c);
        mergeFormat(editor_, f);
    });
}

void TFormatPanel::setAlignment(Qt::Alignment alignment) {
    runHandler([&] {
        if (!ready()) return;
        editor_->setAlignment(alignment);
    });
}

void TFormatPanel::toggleBullets() {
    runHandler([this] {
        if (!ready()) return;
        QTextCursor cursor = editor_->textCursor();
        if (QTextList* list = cursor.currentList()) {
            QTextBlockFormat block = cursor.blockFormat();
            list->remove(cursor.block());
            block.setIndent(0);
            cursor.setBlockFormat(block);
        } else {
            cursor.createList(QTextListFormat::ListDisc);
        }
    });
}

}  // namespace cot
