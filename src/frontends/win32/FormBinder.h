// Ties Win32 child controls to the control models of a form, both ways: Pull() shows the model in
// every bound control (changes the control makes meanwhile are not echoed back), and what the user
// types, picks or ticks goes straight into the model. The controls decide nothing. Text crosses
// as it is: the models and the ANSI functions both hold Windows-1252 bytes.
//
// Positions and sizes are given for 96 dpi and scaled to the screen's.
#pragma once

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "forms/Controls.h"
#include "frontends/win32/WindowsApi.h"

namespace varnix::win32 {

std::string WindowText(HWND window);

class FormBinder {
  public:
    // Binds controls made on `parent`, which passes on its WM_COMMAND and WM_DRAWITEM.
    explicit FormBinder(HWND parent);
    ~FormBinder();
    FormBinder(const FormBinder&) = delete;
    FormBinder& operator=(const FormBinder&) = delete;

    int Scale(int pixels) const;
    HFONT Font() const { return font_; }

    // Unbound decoration: a group frame, a fixed caption.
    HWND Group(const char* caption, int x, int y, int width, int height);
    HWND Text(const char* caption, int x, int y, int width, int height = 16);

    HWND Edit(forms::TextBox& model, int x, int y, int width, bool readOnly = false);
    // A read-only multi-line view with both scroll bars' worth of text, in its own font.
    HWND View(forms::TextBox& model, int x, int y, int width, int height, HFONT font);
    // An editable list takes typed text (CBS_DROPDOWN); a fixed one only picks (CBS_DROPDOWNLIST).
    HWND List(forms::ComboBox& model, int x, int y, int width);
    // A column of captioned lists, one row every 26 pixels from `y`, the captions at `x` + 10 and
    // the lists at `x` + `listOffset`: the serial settings.
    using CaptionedList = std::pair<const char*, forms::ComboBox*>;
    void ListColumn(std::initializer_list<CaptionedList> rows, int x, int y, int captionWidth,
                    int listOffset, int listWidth);
    HWND Check(forms::CheckBox& model, const char* caption, int x, int y, int width);
    HWND Push(forms::Button& model, const char* caption, int x, int y, int width,
              std::function<void()> onClick, const char* toolTip = nullptr);
    HWND Caption(forms::Label& model, int x, int y, int width, int height = 16);
    // A lamp: a circle filled with the model's colour.
    HWND Lamp(forms::Lamp& model, int x, int y, int size = 20);

    // The parent's WM_COMMAND and WM_DRAWITEM: true when one of the bound controls sent it.
    bool OnCommand(WPARAM wParam, LPARAM lParam);
    bool OnDrawItem(const DRAWITEMSTRUCT& item) const;

    // Shows the models in their controls. With `paintNow` each control that changed is painted
    // before Pull returns: the core redraws a form right before a call that blocks (a terminal
    // operation takes tens of seconds), and no message loop runs until that call returns.
    void Pull(bool paintNow = false);

  private:
    HWND Create(const char* windowClass, const char* text, DWORD style, int x, int y, int width,
                int height, DWORD exStyle = 0);
    void Add(HWND control, std::function<bool()> pull);
    void OnCommandOf(HWND control, std::function<void(WORD code)> handler);
    void AddToolTip(HWND control, const std::string& text);
    void SetToolTip(HWND control, const std::string& text);

    struct Binding {
        HWND control;
        std::function<bool()> pull;  // true when it changed the control
    };
    struct LampState {
        const forms::Lamp* model;
        forms::Rgb shown;
    };

    HWND parent_;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    HWND tips_ = nullptr;
    int nextId_ = 1000;
    bool pulling_ = false;
    std::vector<Binding> pulls_;
    std::map<WORD, std::function<void(WORD)>> commands_;
    std::map<HWND, LampState> lamps_;
};

}  // namespace varnix::win32
