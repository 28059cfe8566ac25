// Questions and messages for the engineer, raised by core code on any thread. The window shows
// them as message boxes on its own thread (the asking thread waits for the answer), zovcli
// prints them on stderr and answers from its --yes flag, and tests record every text and answer
// from a script.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

enum class PromptIcon { Information, Warning, Error, Question };

class IPrompt {
public:
    virtual ~IPrompt() = default;
    // Shows text until the engineer has read it (an OK box).
    virtual void ShowMessage(const std::string& text, PromptIcon icon, const std::string& title) = 0;
    // True for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
    // True for OK.
    virtual bool AskOkCancel(const std::string& text, const std::string& title) = 0;
};

// The title of the tool's message boxes.
extern const char kPromptTitle[];

// The process's prompt. Until one is installed a console prompt that answers No/Cancel is used.
// Any thread.
void ShowMessage(const std::string& text, PromptIcon icon = PromptIcon::Warning,
                 const std::string& title = kPromptTitle);
bool AskYesNo(const std::string& text, const std::string& title = kPromptTitle);
bool AskOkCancel(const std::string& text, const std::string& title = kPromptTitle);

// Installs prompt for the process while the guard lives, then restores the previous one.
// The prompt must outlive the guard.
class CScopedPrompt {
public:
    explicit CScopedPrompt(IPrompt& prompt);
    ~CScopedPrompt();
    CScopedPrompt(const CScopedPrompt&) = delete;
    CScopedPrompt& operator=(const CScopedPrompt&) = delete;

private:
    IPrompt* previous_;
};

// Prints on stderr, one line per message (line breaks in the text become blanks). Questions are
// answered with yes_to_all and printed with the answer in brackets.
class CConsolePrompt : public IPrompt {
public:
    explicit CConsolePrompt(bool yes_to_all) : yes_to_all_(yes_to_all) {}
    void ShowMessage(const std::string& text, PromptIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    bool AskOkCancel(const std::string& text, const std::string& title) override;

private:
    bool yes_to_all_;
};

// Records every text and answers questions from a queue (Yes/OK when the queue is empty, unless
// set otherwise). Thread-safe.
class CRecordingPrompt : public IPrompt {
public:
    struct Record {
        enum class Kind { Message, YesNo, OkCancel } kind;
        std::string text;
        std::string title;
        PromptIcon icon;
        bool answer;
    };

    void ShowMessage(const std::string& text, PromptIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    bool AskOkCancel(const std::string& text, const std::string& title) override;

    // Queues the answers to the next questions, in order.
    void QueueAnswers(std::initializer_list<bool> answers);
    // The answer once the queue is empty.
    void SetDefaultAnswer(bool answer);

    std::vector<Record> Records() const;
    // Only the texts, in order.
    std::vector<std::string> Texts() const;
    void Clear();

private:
    bool Answer(Record::Kind kind, const std::string& text, const std::string& title);

    mutable std::mutex lock_;
    std::vector<Record> records_;
    std::deque<bool> answers_;
    bool default_answer_ = true;
};
