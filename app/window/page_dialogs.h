#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QWidget;

namespace lumek {

// The dialogs of the settings pages behind one seam, so that tests answer them without a modal
// box. The window's UiHost covers the dialogs the core asks for itself.
class PageDialogs {
public:
    virtual ~PageDialogs() = default;

    // The colour dialog, fully opened at initial (0x00BBGGRR); nothing when cancelled.
    virtual std::optional<int32_t> pickColour(int32_t initial) = 0;

    struct Font {
        QString face;
        double size = 0;  // points, as the dialog gives them; stored rounded half to even
        bool bold = false;
    };
    // The font dialog with face, size and bold; nothing when cancelled.
    virtual std::optional<Font> pickFont(const Font& initial) = 0;

    // An image file to open, filter "Image Files"; the empty text when cancelled.
    virtual QString askImageFile(const QString& title, const QString& startFolder) = 0;
};

// The platform's dialogs, owned by the window. The sixteen custom colours of the colour dialog
// are kept while the program runs.
class QtPageDialogs : public PageDialogs {
public:
    explicit QtPageDialogs(QWidget* owner) : owner_(owner) {}

    std::optional<int32_t> pickColour(int32_t initial) override;
    std::optional<Font> pickFont(const Font& initial) override;
    QString askImageFile(const QString& title, const QString& startFolder) override;

private:
    QWidget* owner_;
};

}  // namespace lumek
