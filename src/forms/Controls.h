// The state of the controls that the form models hold: what a view shows and what the core reads.
// They behave like the platform's controls where the system depends on it: a text box keeps text
// only up to its first NUL, a list refuses a position it does not have.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnix::forms {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kGreen{0, 255, 0};

class TextBox {
  public:
    TextBox() = default;
    explicit TextBox(std::string_view text) { SetText(text); }

    const std::string& Text() const { return text_; }
    // An edit control's text ends at its first NUL character.
    void SetText(std::string_view text) { text_.assign(text.substr(0, text.find('\0'))); }
    bool IsEmpty() const { return text_.empty(); }

    bool enabled = true;
    bool visible = true;
    int maxLength = 0;  // limits typing only; 0 means no limit
    std::string toolTip;
    // A path: when it is too long for its box the end shows (the file's name, which tells one
    // path from another), and the whole path is the box's tip.
    bool showsEnd = false;

  private:
    std::string text_;
};

class Label {
  public:
    std::string caption;
    bool visible = true;
    std::string toolTip;
};

class CheckBox {
  public:
    bool checked = false;
    bool enabled = true;
};

class Button {
  public:
    bool enabled = true;
    bool visible = true;
};

class Lamp {
  public:
    Rgb fill = kRed;
};

// A list box with an edit field. A fixed list shows only its items; an editable one also takes
// typed text, which selects the matching item or none.
class ComboBox {
  public:
    explicit ComboBox(bool editable = false) : editable_(editable) {}

    void Clear() {
        items_.clear();
        index_ = -1;
        text_.clear();
    }
    void AddItem(std::string item) { items_.push_back(std::move(item)); }
    // Replaces every item; nothing stays selected.
    void SetItems(std::initializer_list<const char*> items) {
        Clear();
        for (const char* item : items) {
            AddItem(item);
        }
    }
    const std::vector<std::string>& Items() const { return items_; }
    int ListCount() const { return static_cast<int>(items_.size()); }

    int ListIndex() const { return index_; }
    // -1 clears the selection; a position the list does not have is refused (false).
    bool SetListIndex(int index) {
        if (index < -1 || index >= ListCount()) {
            return false;
        }
        index_ = index;
        text_ = index < 0 ? std::string() : items_[static_cast<std::size_t>(index)];
        return true;
    }

    const std::string& Text() const { return text_; }
    // Selects the item with exactly this text; an editable list also takes any other text, with
    // nothing selected. A fixed list refuses text it does not hold (false).
    bool SetText(std::string_view text) {
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (items_[i] == text) {
                index_ = static_cast<int>(i);
                text_ = items_[i];
                return true;
            }
        }
        if (!editable_) {
            return false;
        }
        index_ = -1;
        text_.assign(text.substr(0, text.find('\0')));
        return true;
    }

    bool IsEditable() const { return editable_; }

    bool enabled = true;
    bool visible = true;
    std::string toolTip;

  private:
    bool editable_;
    std::vector<std::string> items_;
    int index_ = -1;
    std::string text_;
};

}  // namespace varnix::forms
