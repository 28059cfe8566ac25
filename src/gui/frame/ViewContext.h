// The state that the main window keeps for the whole run and lends to each new view, so that it
// survives a change of view: the instance number of the command handlers, the configuration
// being edited and the calibration completion marks.
#pragma once

#include <cstdint>
#include <memory>

#include <QString>

class CConfig;
class CGuiPrompt;

// The five "Completed" marks of the calibration hub.
struct tagCompletionFlags {
    bool ii_focus = false;
    bool camera_head = false;
    bool ii_diameter = false;
    bool dose_abc = false;  // Dose/Doserate with the ABC signal
    bool dose_aec = false;  // Dose/Doserate with the AEC signal

    bool operator==(const tagCompletionFlags&) const = default;
};

struct tagViewContext {
    // The shared message counter of every command handler; owned by the main window.
    uint16_t* instance_number = nullptr;
    // The configuration being edited; the Configuration view fills and reads the slot, the main
    // window releases it at exit. shared_ptr so that the slot's owner needs no CConfig definition.
    std::shared_ptr<CConfig>* config_slot = nullptr;
    tagCompletionFlags* completion_flags = nullptr;
    // The window's prompt, for views that must wait for their worker threads.
    CGuiPrompt* prompt = nullptr;
    // The Scripting view's editor text and file, kept by the main window so that a script
    // typed and not yet saved survives a look at another view.
    QString* script_text = nullptr;
    QString* script_path = nullptr;
};
