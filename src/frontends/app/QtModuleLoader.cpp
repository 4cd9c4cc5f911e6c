#include "frontends/app/QtModuleLoader.h"

namespace varnix::app {

bool QtModuleLoader::Load(std::string& error) {
    if (run_ != nullptr) {
        return true;
    }
    void* module = platform_.LoadLibraryFile(qt::kModuleFile, error);
    if (module == nullptr) {
        return false;
    }
    run_ = reinterpret_cast<VarnixQtRun>(platform_.FindFunction(module, qt::kRunFunction));
    messageBox_ = reinterpret_cast<VarnixQtMessageBox>(
        platform_.FindFunction(module, qt::kMessageBoxFunction));
    const auto displayOpens = reinterpret_cast<VarnixQtDisplayOpens>(
        platform_.FindFunction(module, qt::kDisplayOpensFunction));
    if (run_ == nullptr || messageBox_ == nullptr || displayOpens == nullptr) {
        run_ = nullptr;
        error = std::string(qt::kModuleFile) + " lacks one of its entry points";
        return false;
    }
    if (displayOpens() == 0) {
        run_ = nullptr;
        error = "the display cannot be opened";
        return false;
    }
    return true;
}

int QtModuleLoader::Run(int argc, char** argv, const std::string& commandLine) {
    return run_(argc, argv, commandLine.c_str());
}

ports::Answer QtModuleLoader::ShowMessageBox(const std::string& text, const std::string& title,
                                             ports::Buttons buttons, ports::Icon icon) {
    return messageBox_(text.c_str(), title.c_str(), buttons == ports::Buttons::OkCancel ? 1 : 0,
                       icon == ports::Icon::Critical ? 1 : 0) != 0
               ? ports::Answer::Ok
               : ports::Answer::Cancel;
}

}  // namespace varnix::app
