#include "frontends/win32/FormBinder.h"

#include <utility>

namespace varnix::win32 {

namespace {

constexpr int kEditHeight = 21;
constexpr int kButtonHeight = 25;
constexpr int kCheckHeight = 18;
// A closed list is as tall as its font makes it; this is the height of the open one.
constexpr int kDroppedListHeight = 220;

HMENU ControlId(int id) {
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

// Views are pulled after every action and every tick: a control is written only when the model
// differs from what it shows, so an idle window repaints nothing. Each returns whether it did.
bool SyncEnabled(HWND control, bool enabled) {
    if ((::IsWindowEnabled(control) != FALSE) != enabled) {
        ::EnableWindow(control, enabled ? TRUE : FALSE);
        return true;
    }
    return false;
}

bool SyncVisible(HWND control, bool visible) {
    const bool shown = (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != visible) {
        ::ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
        return true;
    }
    return false;
}

bool SyncText(HWND control, const std::string& text) {
    if (WindowText(control) != text) {
        ::SetWindowTextA(control, text.c_str());
        return true;
    }
    return false;
}

std::string ListItemText(HWND list, int index) {
    const LRESULT length = ::SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    ::SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The edit field inside an editable list, which has the focus while the user types.
HWND ListEditField(HWND list) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return ::GetComboBoxInfo(list, &info) != FALSE ? info.hwndItem : nullptr;
}

HFONT MessageFont() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0) == FALSE) {
        // Windows XP knows the structure without its last member only.
        metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
        if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0) ==
            FALSE) {
            return nullptr;
        }
    }
    return ::CreateFontIndirectA(&metrics.lfMessageFont);
}

}  // namespace

std::string WindowText(HWND window) {
    const int length = ::GetWindowTextLengthA(window);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

FormBinder::FormBinder(HWND parent) : parent_(parent), font_(MessageFont()) {
    HDC screen = ::GetDC(nullptr);
    if (screen != nullptr) {
        dpi_ = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
    }
}

FormBinder::~FormBinder() {
    if (tips_ != nullptr) {
        ::DestroyWindow(tips_);
    }
    if (font_ != nullptr) {
        ::DeleteObject(font_);
    }
}

int FormBinder::Scale(int pixels) const {
    return ::MulDiv(pixels, dpi_, 96);
}

HWND FormBinder::Create(const char* windowClass, const char* text, DWORD style, int x, int y,
                        int width, int height, DWORD exStyle) {
    HWND control = ::CreateWindowExA(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style,
                                     Scale(x), Scale(y), Scale(width), Scale(height), parent_,
                                     ControlId(nextId_++), ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(
        control, WM_SETFONT,
        reinterpret_cast<WPARAM>(font_ != nullptr ? font_ : ::GetStockObject(DEFAULT_GUI_FONT)),
        FALSE);
    return control;
}

void FormBinder::Add(HWND control, std::function<bool()> pull) {
    pulls_.push_back({control, std::move(pull)});
}

void FormBinder::OnCommandOf(HWND control, std::function<void(WORD)> handler) {
    commands_[static_cast<WORD>(::GetDlgCtrlID(control))] = std::move(handler);
}

void FormBinder::AddToolTip(HWND control, const std::string& text) {
    if (text.empty() || control == nullptr) {
        return;
    }
    if (tips_ == nullptr) {
        tips_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                  WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent_, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
        ::SendMessageA(tips_, TTM_SETMAXTIPWIDTH, 0, Scale(600));
    }
    // The size without the last member: common controls of every version take it.
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text.c_str());
    ::SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void FormBinder::SetToolTip(HWND control, const std::string& text) {
    if (tips_ == nullptr) {
        AddToolTip(control, text);
        return;
    }
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = parent_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    if (::SendMessageA(tips_, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)) == FALSE) {
        AddToolTip(control, text);
        return;
    }
    tool.lpszText = const_cast<char*>(text.c_str());
    ::SendMessageA(tips_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

HWND FormBinder::Group(const char* caption, int x, int y, int width, int height) {
    return Create("BUTTON", caption, BS_GROUPBOX, x, y, width, height);
}

HWND FormBinder::Text(const char* caption, int x, int y, int width, int height) {
    return Create("STATIC", caption, SS_LEFT | SS_NOPREFIX, x, y, width, height);
}

HWND FormBinder::Edit(forms::TextBox& model, int x, int y, int width, bool readOnly) {
    HWND edit = Create("EDIT", model.Text().c_str(),
                       WS_TABSTOP | ES_AUTOHSCROLL | (readOnly ? ES_READONLY : 0), x, y, width,
                       kEditHeight, WS_EX_CLIENTEDGE);
    // The limit holds for typing only: a value the program assigns may be longer (the console's
    // address and port arrive blank-padded) and shows whole.
    if (model.maxLength > 0) {
        ::SendMessageA(edit, EM_LIMITTEXT, static_cast<WPARAM>(model.maxLength), 0);
    }
    AddToolTip(edit, model.toolTip);
    OnCommandOf(edit, [edit, &model](WORD code) {
        if (code == EN_CHANGE) {
            model.SetText(WindowText(edit));
        }
    });
    Add(edit, [this, edit, readOnly, &model]() -> bool {
        bool changed = SyncText(edit, model.Text());
        if (changed && model.showsEnd) {
            // The caret at the end, scrolled into view, keeps the end in view.
            const auto end = static_cast<WPARAM>(model.Text().size());
            ::SendMessageA(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
            ::SendMessageA(edit, EM_SCROLLCARET, 0, 0);
        }
        if (changed && (readOnly || model.showsEnd) && model.toolTip.empty()) {
            // Whole in the tool tip, however much of it the box shows.
            SetToolTip(edit, model.Text());
        }
        changed = SyncEnabled(edit, model.enabled) || changed;
        changed = SyncVisible(edit, model.visible) || changed;
        return changed;
    });
    return edit;
}

HWND FormBinder::View(forms::TextBox& model, int x, int y, int width, int height, HFONT font) {
    HWND view = Create("EDIT", "",
                       WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                           ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                       x, y, width, height, WS_EX_CLIENTEDGE);
    if (font != nullptr) {
        ::SendMessageA(view, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ::SendMessageA(view, EM_LIMITTEXT, 0, 0);  // a transaction file of any length
    AddToolTip(view, model.toolTip);
    OnCommandOf(view, [view, &model](WORD code) {
        if (code == EN_CHANGE) {
            model.SetText(WindowText(view));
        }
    });
    // Both hold CR LF lines, as the file has them.
    Add(view, [view, &model]() -> bool { return SyncText(view, model.Text()); });
    return view;
}

void FormBinder::ListColumn(std::initializer_list<CaptionedList> rows, int x, int y,
                            int captionWidth, int listOffset, int listWidth) {
    for (const auto& [caption, list] : rows) {
        Text(caption, x + 10, y + 4, captionWidth);
        List(*list, x + listOffset, y, listWidth);
        y += 26;
    }
}

HWND FormBinder::List(forms::ComboBox& model, int x, int y, int width) {
    const bool editable = model.IsEditable();
    HWND list = Create(
        "COMBOBOX", "",
        WS_TABSTOP | WS_VSCROLL | (editable ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST), x,
        y, width, kDroppedListHeight);
    AddToolTip(list, model.toolTip);
    HWND field = editable ? ListEditField(list) : nullptr;
    AddToolTip(field, model.toolTip);
    OnCommandOf(list, [list, &model](WORD code) {
        if (code == CBN_SELCHANGE) {
            model.SetListIndex(static_cast<int>(::SendMessageA(list, CB_GETCURSEL, 0, 0)));
        } else if (code == CBN_EDITCHANGE) {
            model.SetText(WindowText(list));
        }
    });
    Add(list, [list, field, editable, &model]() -> bool {
        bool changed = false;
        const auto& items = model.Items();
        bool same = ::SendMessageA(list, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(items.size());
        for (std::size_t i = 0; same && i < items.size(); ++i) {
            same = ListItemText(list, static_cast<int>(i)) == items[i];
        }
        if (!same) {
            ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
            for (const auto& item : items) {
                ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            }
            changed = true;
        }
        // While the user types into an editable list the model follows the control; pushing the
        // selection back would replace the text under the cursor at every refresh.
        const bool typing = editable && field != nullptr && ::GetFocus() == field &&
                            WindowText(list) == model.Text();
        if (!typing && ::SendMessageA(list, CB_GETCURSEL, 0, 0) != model.ListIndex()) {
            ::SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(model.ListIndex()), 0);
            changed = true;
        }
        if (!typing && editable) {
            changed = SyncText(list, model.Text()) || changed;
        }
        changed = SyncEnabled(list, model.enabled) || changed;
        changed = SyncVisible(list, model.visible) || changed;
        return changed;
    });
    return list;
}

HWND FormBinder::Check(forms::CheckBox& model, const char* caption, int x, int y, int width) {
    HWND check = Create("BUTTON", caption, WS_TABSTOP | BS_AUTOCHECKBOX, x, y, width, kCheckHeight);
    OnCommandOf(check, [check, &model](WORD code) {
        if (code == BN_CLICKED) {
            model.checked = ::SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
        }
    });
    Add(check, [check, &model]() -> bool {
        bool changed = false;
        const bool checked = ::SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (checked != model.checked) {
            ::SendMessageA(check, BM_SETCHECK, model.checked ? BST_CHECKED : BST_UNCHECKED, 0);
            changed = true;
        }
        changed = SyncEnabled(check, model.enabled) || changed;
        return changed;
    });
    return check;
}

HWND FormBinder::Push(forms::Button& model, const char* caption, int x, int y, int width,
                      std::function<void()> onClick, const char* toolTip) {
    HWND button = Create("BUTTON", caption, WS_TABSTOP | BS_PUSHBUTTON, x, y, width, kButtonHeight);
    if (toolTip != nullptr) {
        AddToolTip(button, toolTip);
    }
    OnCommandOf(button, [onClick = std::move(onClick)](WORD code) {
        if (code == BN_CLICKED) {
            onClick();
        }
    });
    Add(button, [button, &model]() -> bool {
        bool changed = SyncEnabled(button, model.enabled);
        changed = SyncVisible(button, model.visible) || changed;
        return changed;
    });
    return button;
}

HWND FormBinder::Caption(forms::Label& model, int x, int y, int width, int height) {
    // A static passes the mouse to its parent unless it notifies: its tool tip needs the mouse.
    HWND label = Create("STATIC", model.caption.c_str(),
                        SS_LEFT | SS_NOPREFIX | (model.toolTip.empty() ? 0 : SS_NOTIFY), x, y,
                        width, height);
    AddToolTip(label, model.toolTip);
    Add(label, [label, &model]() -> bool {
        bool changed = SyncText(label, model.caption);
        changed = SyncVisible(label, model.visible) || changed;
        return changed;
    });
    return label;
}

HWND FormBinder::Lamp(forms::Lamp& model, int x, int y, int size) {
    HWND lamp = Create("STATIC", "", SS_OWNERDRAW, x, y, size, size);
    lamps_[lamp] = {&model, model.fill};
    Add(lamp, [this, lamp, &model]() -> bool {
        auto& state = lamps_[lamp];
        if (state.shown == model.fill) {
            return false;
        }
        state.shown = model.fill;
        ::InvalidateRect(lamp, nullptr, TRUE);
        return true;
    });
    return lamp;
}

bool FormBinder::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0) {
        return false;  // a menu or an accelerator
    }
    const auto found = commands_.find(LOWORD(wParam));
    if (found == commands_.end()) {
        return false;
    }
    if (!pulling_) {
        found->second(HIWORD(wParam));
    }
    return true;
}

bool FormBinder::OnDrawItem(const DRAWITEMSTRUCT& item) const {
    const auto found = lamps_.find(item.hwndItem);
    if (found == lamps_.end()) {
        return false;
    }
    const forms::Rgb fill = found->second.shown;
    const RECT& area = item.rcItem;
    ::FillRect(item.hDC, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    HBRUSH brush = ::CreateSolidBrush(RGB(fill.r, fill.g, fill.b));
    HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(0x55, 0x55, 0x55));
    HGDIOBJ oldBrush = ::SelectObject(item.hDC, brush);
    HGDIOBJ oldPen = ::SelectObject(item.hDC, pen);
    ::Ellipse(item.hDC, area.left + 1, area.top + 1, area.right - 1, area.bottom - 1);
    ::SelectObject(item.hDC, oldPen);
    ::SelectObject(item.hDC, oldBrush);
    ::DeleteObject(pen);
    ::DeleteObject(brush);
    return true;
}

void FormBinder::Pull(bool paintNow) {
    pulling_ = true;
    for (const auto& [control, pull] : pulls_) {
        if (pull() && paintNow && ::IsWindowVisible(control) != FALSE) {
            ::RedrawWindow(control, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASENOW | RDW_ALLCHILDREN);
        }
    }
    pulling_ = false;
}

}  // namespace varnix::win32
