#include "app/window/pages/page_binder.h"

#include "app/window/page_dialogs.h"
#include "base/colour.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/settings_keys.h"
#include "base/text_file.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace lumek::pages {

namespace {

// Runs apply when a key is released in the box.
class KeyReleaseFilter : public QObject {
public:
    KeyReleaseFilter(QObject* parent, std::function<void()> apply)
        : QObject(parent), apply_(std::move(apply)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyRelease) {
            apply_();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> apply_;
};

QColor ToQColor(int32_t colour) {
    const uint32_t rgb = ResolveColour(colour);
    return QColor(static_cast<int>(rgb & 0xFFu), static_cast<int>((rgb >> 8) & 0xFFu),
                  static_cast<int>((rgb >> 16) & 0xFFu));
}

// A swatch as high as the button's text, framed so that white shows on white.
QIcon Swatch(const QColor& colour, const QWidget* button) {
    const int side = button->fontMetrics().height();
    QPixmap pixmap(side * 2, side);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(button->palette().color(QPalette::WindowText));
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return QIcon(pixmap);
}

// Check states as settings keep them: 0 unchecked, 1 checked, 2 greyed.
int CheckValue(Qt::CheckState state) {
    switch (state) {
        case Qt::Unchecked:
            return 0;
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
    }
    return 0;
}

Qt::CheckState CheckState(int32_t value) {
    return value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

QStringList FontKeys(const QString& prefix) {
    return {prefix + QStringLiteral("Name"), prefix + QStringLiteral("Size"),
            prefix + QStringLiteral("Bold")};
}

}  // namespace

void Describe(QWidget* control, const QString& name, const Words& words) {
    control->setObjectName(name);
    control->setAccessibleName(words.caption);
    if (!words.tooltip.isEmpty()) {
        control->setToolTip(words.tooltip);
    }
}

QLabel* Caption(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

QGridLayout* FormGrid() {
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    return grid;
}

QLabel* AddRow(QGridLayout* grid, const QString& caption, QWidget* control, const QString& unit) {
    const int row = grid->rowCount();
    QWidget* parent = control->parentWidget();
    auto* label = Caption(caption, parent);
    label->setBuddy(control);
    grid->addWidget(label, row, 0);
    grid->addWidget(control, row, 1);
    if (!unit.isEmpty()) {
        grid->addWidget(new QLabel(unit, parent), row, 2);
    }
    return label;
}

void AddSliderRow(QGridLayout* grid, QLabel* label, QSlider* slider) {
    label->setObjectName(QStringLiteral("lbl") + slider->objectName());
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(slider, row, 1, 1, 2);
}

QWidget* Inline(QWidget* parent, const std::vector<InlinePart>& parts) {
    auto* line = new QWidget(parent);
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    for (const InlinePart& part : parts) {
        if (const auto* word = std::get_if<QString>(&part)) {
            row->addWidget(new QLabel(*word, line));
        } else {
            QWidget* box = std::get<QWidget*>(part);
            box->setParent(line);
            row->addWidget(box, 1);
        }
    }
    return line;
}

QWidget* Group(const QString& title, QLayout* layout, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setLayout(layout);
    return group;
}

QWidget* StackedPage(QWidget* page, const std::vector<QWidget*>& groups) {
    auto* layout = new QVBoxLayout(page);
    // The captions of all groups share one column width, so that every box of the page starts
    // at the same x; measured in the page's font, whatever its scale.
    std::vector<QGridLayout*> grids;
    int captionWidth = 0;
    for (QWidget* group : groups) {
        layout->addWidget(group);
        auto* grid = qobject_cast<QGridLayout*>(group->layout());
        if (grid == nullptr) {
            continue;
        }
        grids.push_back(grid);
        for (int i = 0; i < grid->count(); ++i) {
            int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
            grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
            if (column == 0 && columnSpan == 1) {
                captionWidth = std::max(captionWidth, grid->itemAt(i)->sizeHint().width());
            }
        }
    }
    for (QGridLayout* grid : grids) {
        grid->setColumnMinimumWidth(0, captionWidth);
    }
    layout->addStretch(1);
    return page;
}

PageBinder::PageBinder(const PageContext& context, QWidget* page)
    : QObject(page), context_(context), page_(page) {
    // The studio outlives no page it serves, but a page may go first.
    context_.studio.addChangeListener([self = QPointer<PageBinder>(this)](const QStringList& keys) {
        if (self) {
            self->refresh(keys);
        }
    });
}

QString PageBinder::value(const QString& key) const {
    return EncodeSetting(settings(), key);
}

int32_t PageBinder::number(const QString& key) const {
    return ToInt(value(key));
}

EditOutcome PageBinder::edit(const QString& key, const QString& text, QWidget* source) {
    QWidget* previous = std::exchange(editing_, source);
    EditOutcome outcome = context_.studio.edit(key, text);
    editing_ = previous;
    return outcome;
}

EditOutcome PageBinder::edit(const std::vector<std::pair<QString, QString>>& values) {
    return context_.studio.edit(values);
}

void PageBinder::follow(QWidget* control, const QStringList& keys, std::function<void()> refresh) {
    {
        const QSignalBlocker blocker(control);
        refresh();
    }
    bindings_.push_back({control, keys, std::move(refresh)});
}

void PageBinder::refresh(const QStringList& keys) {
    changing_ = keys;
    for (const Binding& binding : bindings_) {
        if (binding.control == editing_) {
            continue;
        }
        const bool named = std::any_of(binding.keys.begin(), binding.keys.end(),
                                       [&](const QString& key) { return keys.contains(key); });
        if (named) {
            const QSignalBlocker blocker(binding.control);
            binding.refresh();
        }
    }
    changing_.clear();
}

QPushButton* PageBinder::colourButton(const QString& name, const Words& words, const KeyOf& key,
                                      const QStringList& keys) {
    auto* button = new QPushButton(page_);
    Describe(button, name, words);
    connect(button, &QPushButton::clicked, this, [this, key] {
        const std::optional<int32_t> chosen =
            context_.dialogs.pickColour(static_cast<int32_t>(ResolveColour(number(key()))));
        if (chosen) {
            edit(key(), QString::number(*chosen));
        }
    });
    follow(button, keys, [this, button, key] {
        const QColor colour = ToQColor(number(key()));
        button->setIcon(Swatch(colour, button));
        button->setText(colour.name(QColor::HexRgb).toUpper());
    });
    return button;
}

QPushButton* PageBinder::colourButton(const QString& name, const Words& words, const QString& key) {
    return colourButton(name, words, [key] { return key; }, {key});
}

QPushButton* PageBinder::fontButton(const QString& name, const Words& words,
                                    const QString& prefix) {
    auto* button = new QPushButton(page_);
    Describe(button, name, words);
    const QStringList keys = FontKeys(prefix);
    connect(button, &QPushButton::clicked, this, [this, keys] {
        const PageDialogs::Font initial{value(keys[0]), static_cast<double>(number(keys[1])),
                                        number(keys[2]) != 0};
        if (const std::optional<PageDialogs::Font> chosen = context_.dialogs.pickFont(initial)) {
            // The studio rounds the size half to even.
            edit({{keys[0], chosen->face},
                  {keys[1], QString::number(chosen->size)},
                  {keys[2], chosen->bold ? QStringLiteral("-1") : QStringLiteral("0")}});
        }
    });
    follow(button, keys, [this, button, keys] {
        QString text =
            value(keys[0]) + QStringLiteral(", ") + value(keys[1]) + QStringLiteral("pt");
        if (number(keys[2]) != 0) {
            text += QStringLiteral(", 굵게");
        }
        button->setText(text);
    });
    return button;
}

QPushButton* PageBinder::imageButton(const QString& name, const Words& words,
                                     const QString& pathKey, const QString& dialogTitle,
                                     bool startAtStoredPath) {
    auto* button = new QPushButton(page_);
    Describe(button, name, words);
    connect(button, &QPushButton::clicked, this, [this, pathKey, dialogTitle, startAtStoredPath] {
        const QString start = startAtStoredPath ? value(pathKey) : context_.imageFolder;
        const QString chosen = context_.dialogs.askImageFile(dialogTitle, start).trimmed();
        if (chosen.isEmpty() || !FileExists(chosen)) {
            return;
        }
        edit(pathKey, chosen);
        context_.imageFolder = GetFolder(chosen);
    });
    follow(button, {pathKey}, [this, button, pathKey] {
        const QString path = value(pathKey);
        button->setText(path.isEmpty() ? QStringLiteral("기본 이미지") : GetFileName(path));
    });
    return button;
}

QLineEdit* PageBinder::box(const QString& name, const Words& words, const KeyOf& key,
                           const QStringList& keys, BoxTrigger trigger) {
    auto* box = new QLineEdit(page_);
    Describe(box, name, words);
    // The box shows what the key's rule left of the typed text.
    const auto apply = [this, box, key] {
        const EditOutcome outcome = edit(key(), box->text(), box);
        if (outcome.accepted && outcome.shown != box->text()) {
            box->setText(outcome.shown);
        }
        box->setModified(false);
    };
    if (trigger == BoxTrigger::EveryChange) {
        connect(box, &QLineEdit::textEdited, this, apply);
    } else {
        // Keys that change nothing (arrows, Tab arriving from another box) edit nothing.
        const auto applyEdited = [box, apply] {
            if (box->isModified()) {
                apply();
            }
        };
        box->installEventFilter(new KeyReleaseFilter(box, applyEdited));
        connect(box, &QLineEdit::editingFinished, this, applyEdited);
    }
    follow(box, keys, [this, box, key] { box->setText(value(key())); });
    return box;
}

QLineEdit* PageBinder::box(const QString& name, const Words& words, const QString& key,
                           BoxTrigger trigger) {
    return box(
        name, words, [key] { return key; }, {key}, trigger);
}

QSlider* PageBinder::slider(const QString& name, const Words& words, const KeyOf& key,
                            const QStringList& keys, int maximum, int pageStep,
                            std::function<QString(int)> labelText, QLabel* label) {
    auto* slider = new QSlider(Qt::Horizontal, page_);
    Describe(slider, name, words);
    slider->setRange(0, maximum);
    slider->setSingleStep(1);
    slider->setPageStep(pageStep);
    // Wide enough for every value, so that moving the slider never shifts the page.
    int labelWidth = 0;
    for (const int sample : {0, maximum - 1, maximum}) {
        labelWidth =
            std::max(labelWidth, label->fontMetrics().horizontalAdvance(labelText(sample)));
    }
    label->setMinimumWidth(labelWidth);
    connect(slider, &QSlider::valueChanged, this, [this, key, label, labelText](int position) {
        label->setText(labelText(position));
        edit(key(), QString::number(position));
    });
    follow(slider, keys, [this, slider, key, label, labelText] {
        slider->setValue(number(key()));
        label->setText(labelText(slider->value()));
    });
    return slider;
}

QSlider* PageBinder::slider(const QString& name, const Words& words, const QString& key,
                            int maximum, int pageStep, std::function<QString(int)> labelText,
                            QLabel* label) {
    return slider(
        name, words, [key] { return key; }, {key}, maximum, pageStep, std::move(labelText), label);
}

QComboBox* PageBinder::list(const QString& name, const Words& words, const QString& key,
                            const QStringList& items) {
    auto* list = new QComboBox(page_);
    Describe(list, name, words);
    list->addItems(items);
    connect(list, &QComboBox::currentIndexChanged, this,
            [this, key](int index) { edit(key, QString::number(index)); });
    // -1 (a stored index the list refused) leaves it without a selection.
    follow(list, {key}, [this, list, key] { list->setCurrentIndex(number(key)); });
    return list;
}

QCheckBox* PageBinder::check(const QString& name, const Words& words, const QString& key) {
    auto* check = new QCheckBox(words.caption, page_);
    Describe(check, name, words);
    connect(check, &QCheckBox::clicked, this,
            [this, check, key] { edit(key, QString::number(CheckValue(check->checkState()))); });
    follow(check, {key}, [this, check, key] { check->setCheckState(CheckState(number(key))); });
    return check;
}

QHBoxLayout* PageBinder::alignment(const QStringList& names, const QStringList& tooltips,
                                   const QString& key) {
    static const QStringList captions = {QStringLiteral("왼쪽 맞춤"), QStringLiteral("가운데 맞춤"),
                                         QStringLiteral("오른쪽 맞춤")};
    auto* group = new QButtonGroup(page_);
    auto* row = new QHBoxLayout;
    std::vector<QRadioButton*> options;
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(captions[i], page_);
        Describe(option, names[i], {captions[i], tooltips[i]});
        group->addButton(option, kAlignLeft + i);
        row->addWidget(option);
        options.push_back(option);
    }
    row->addStretch(1);
    connect(group, &QButtonGroup::idClicked, this,
            [this, key](int align) { edit(key, QString::number(align)); });
    for (QRadioButton* option : options) {
        follow(option, {key}, [this, group, option, key] {
            const bool chosen = group->id(option) == number(key);
            // Unchecking the chosen option of an exclusive group is refused; 0 chooses none.
            group->setExclusive(false);
            option->setChecked(chosen);
            group->setExclusive(true);
        });
    }
    return row;
}

}  // namespace lumek::pages
