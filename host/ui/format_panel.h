#pragma once
#include <QFontComboBox>
#include <QPointer>
#include <QSpinBox>
#include <QToolButton>

#include "containers.h"

namespace cot {

class TDBRichEdit;

// Formatting toolbar of a rich-text editor: bold, italic, underline, font, size, colour,
// alignment and bullets. The editor can be attached and changed at run time; with none
// attached the buttons do nothing. A format change is an edit: it asks the table to enter
// edit first and does nothing when the field cannot change.
class TFormatPanel : public TPanel {
public:
    explicit TFormatPanel(const QString& name = {}, QWidget* parent = nullptr);

    TDBRichEdit* editor() const { return editor_; }
    void setEditor(TDBRichEdit* editor);

    // The actions, also callable from code and tests.
    void toggleBold();
    void toggleItalic();
    void toggleUnderline();
    void setFontFamily(const QString& family);
    void setFontSize(int points);
    void setTextColor(const QColor& color);  // an invalid colour asks the user
    void setAlignment(Qt::Alignment alignment);
    void toggleBullets();

    QToolButton* button(const QString& name) const;

private:
    bool ready();
    void syncFromEditor();
    QToolButton* addButton(const QString& name, const QString& text, bool checkable);

    QPointer<TDBRichEdit> editor_;
    QMetaObject::Connection cursorConnection_;
    QFontComboBox* font_;
    QSpinBox* size_;
    bool syncing_ = false;
};

}  // namespace cot
