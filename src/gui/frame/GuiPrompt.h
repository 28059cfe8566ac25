// The window's answer to the core's prompts: message boxes on the GUI thread. A question asked
// on a worker thread is shown on the GUI thread while the worker waits for the answer.
//
// A worker must never wait for a GUI thread that is itself waiting for the worker (a view that
// stops its script or joins its link threads). While such a wait is announced with
// CWorkerWaitScope, the worker's boxes cannot be shown: their texts go to stderr and questions
// are answered No/Cancel, which every asker treats as the safe choice.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include <QObject>

#include "platform/Event.h"
#include "platform/Prompt.h"

class CGuiPrompt : public QObject, public IPrompt {
    Q_OBJECT
public:
    // Create on the GUI thread; the boxes are shown there.
    CGuiPrompt();
    // Answers every question still waiting, so that no worker stays blocked.
    ~CGuiPrompt() override;

    void ShowMessage(const std::string& text, PromptIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    bool AskOkCancel(const std::string& text, const std::string& title) override;

    // The number of worker questions waiting for their box. Any thread.
    size_t PendingQuestions();

    // Announces that the GUI thread waits for worker threads for the scope's lifetime. Nests.
    class CWorkerWaitScope {
    public:
        explicit CWorkerWaitScope(CGuiPrompt* prompt);
        ~CWorkerWaitScope();
        CWorkerWaitScope(const CWorkerWaitScope&) = delete;
        CWorkerWaitScope& operator=(const CWorkerWaitScope&) = delete;

    private:
        CGuiPrompt* prompt_;
    };

private:
    enum class Kind { Message, YesNo, OkCancel };
    struct tagRequest {
        Kind kind;
        std::string text;
        std::string title;
        PromptIcon icon;
        bool answer = false;
        bool answered = false;
        CEvent done{CEvent::Kind::ManualReset};
    };

    bool Ask(Kind kind, const std::string& text, const std::string& title, PromptIcon icon);
    // GUI thread: shows the box of one request.
    static bool ShowBox(Kind kind, const std::string& text, const std::string& title,
                        PromptIcon icon);
    void Serve(const std::shared_ptr<tagRequest>& request);
    // Answers the waiting requests with No/Cancel (caller holds lock_).
    void RefusePendingLocked();
    static void Answer(tagRequest& request, bool answer);

    std::mutex lock_;
    int worker_waits_ = 0;  // guarded by lock_
    bool closing_ = false;  // guarded by lock_
    std::vector<std::shared_ptr<tagRequest>> pending_;  // guarded by lock_
};
