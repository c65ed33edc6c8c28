#pragma once

#include "app/studio.h"
#include "app/window/settings_pages.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <variant>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QWidget;

namespace lumek {

class PageDialogs;

namespace pages {

// The settings key a control edits; the outline and shadow controls follow the text target.
using KeyOf = std::function<QString()>;

// When a text box hands its text to the studio.
enum class BoxTrigger {
    KeyRelease,   // a key released after an edit (and leaving the box with an edit pending)
    EveryChange,  // every edit
};

// What the user reads about a control: its caption (also its accessible name) and tooltip.
struct Words {
    QString caption;
    QString tooltip;
};

// Ties the controls of one page to the settings keys they edit. Every change goes through
// Studio::edit, and the control then shows the text the key's rule left; every change
// notification of the studio refreshes the controls of the keys it names, with their signals
// blocked so that a loaded value is not edited back.
class PageBinder : public QObject {
public:
    PageBinder(const PageContext& context, QWidget* page);

    Studio& studio() { return context_.studio; }
    const Settings& settings() const { return context_.studio.settings(); }
    // The stored text of a key, as the settings file writes it.
    QString value(const QString& key) const;
    int32_t number(const QString& key) const;

    // Edits through the studio. The control source, if any, is left out of the refresh that the
    // change notification brings: it shows outcome.shown itself.
    EditOutcome edit(const QString& key, const QString& value, QWidget* source = nullptr);
    EditOutcome edit(const std::vector<std::pair<QString, QString>>& values);

    // Runs refresh now and whenever one of keys changes, with control's signals blocked.
    void follow(QWidget* control, const QStringList& keys, std::function<void()> refresh);

    // The keys of the change notification being followed; empty outside one.
    const QStringList& changing() const { return changing_; }
    // Refreshes the controls that follow any of keys, as a change notification does.
    void refresh(const QStringList& keys);

    // ---- Controls; each gets objectName name, accessible name and tooltip ----
    // A colour button showing its colour; clicking opens the colour dialog at the current
    // colour. keys lists every key key() may return.
    QPushButton* colourButton(const QString& name, const Words& words, const KeyOf& key,
                              const QStringList& keys);
    QPushButton* colourButton(const QString& name, const Words& words, const QString& key);
    // A font button showing face and size; prefix + "Name", "Size", "Bold" are its keys.
    QPushButton* fontButton(const QString& name, const Words& words, const QString& prefix);
    // An image button with the file name it shows; startAtStoredPath opens its dialog at the
    // stored path instead of the image folder.
    QPushButton* imageButton(const QString& name, const Words& words, const QString& pathKey,
                             const QString& dialogTitle, bool startAtStoredPath = false);
    QLineEdit* box(const QString& name, const Words& words, const KeyOf& key,
                   const QStringList& keys, BoxTrigger trigger);
    QLineEdit* box(const QString& name, const Words& words, const QString& key, BoxTrigger trigger);
    // A slider with the label that shows its value as labelText(value).
    QSlider* slider(const QString& name, const Words& words, const KeyOf& key,
                    const QStringList& keys, int maximum, int pageStep,
                    std::function<QString(int)> labelText, QLabel* label);
    QSlider* slider(const QString& name, const Words& words, const QString& key, int maximum,
                    int pageStep, std::function<QString(int)> labelText, QLabel* label);
    QComboBox* list(const QString& name, const Words& words, const QString& key,
                    const QStringList& items);
    QCheckBox* check(const QString& name, const Words& words, const QString& key);
    // Options 1, 2, 3 of an alignment key, side by side.
    QHBoxLayout* alignment(const QStringList& names, const QStringList& tooltips,
                           const QString& key);

    // The widget every control is made in.
    QWidget* page() const { return page_; }
    PageDialogs& dialogs() { return context_.dialogs; }

private:
    struct Binding {
        QWidget* control;
        QStringList keys;
        std::function<void()> refresh;
    };

    PageContext context_;
    QWidget* page_;
    std::vector<Binding> bindings_;
    // The control whose own edit is under way; it is not refreshed by the notification.
    QWidget* editing_ = nullptr;
    QStringList changing_;
};

// Names and describes a control: objectName, accessible name (the caption) and tooltip.
void Describe(QWidget* control, const QString& name, const Words& words);

// A caption label for a form row.
QLabel* Caption(const QString& text, QWidget* parent);

// Adds caption, control and an optional unit in one row of a two- or three-column grid; returns
// the caption.
QLabel* AddRow(QGridLayout* grid, const QString& caption, QWidget* control,
               const QString& unit = {});

// A grid of captions, controls and units, with the page's spacing.
QGridLayout* FormGrid();

// A slider's value label (named "lbl" + the slider's name) and the slider in one row.
void AddSliderRow(QGridLayout* grid, QLabel* label, QSlider* slider);

// Boxes and the words between them in one row ("X =", box, ", Y =", box, ")").
using InlinePart = std::variant<QString, QWidget*>;
QWidget* Inline(QWidget* parent, const std::vector<InlinePart>& parts);

// A group box holding layout, titled title.
QWidget* Group(const QString& title, QLayout* layout, QWidget* parent);

// A page widget with the groups stacked from the top and space left at the bottom.
QWidget* StackedPage(QWidget* page, const std::vector<QWidget*>& groups);

// The pages, one builder a page.
QWidget* BuildLyricTextPage(const PageContext& context, QWidget* parent);
QWidget* BuildBackgroundPage(const PageContext& context, QWidget* parent);
QWidget* BuildOutputPage(const PageContext& context, QWidget* parent);
QWidget* BuildTitleBarPage(const PageContext& context, QWidget* parent);
QWidget* BuildOutlinePage(const PageContext& context, QWidget* parent);
QWidget* BuildCoverIntroPage(const PageContext& context, QWidget* parent);
QWidget* BuildGeometryPage(const PageContext& context, QWidget* parent);

}  // namespace pages
}  // namespace lumek
