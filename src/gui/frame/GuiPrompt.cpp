#include "gui/frame/GuiPrompt.h"

#include <cstdio>

#include <QApplication>
#include <QMessageBox>
#include <QThread>

CGuiPrompt::CGuiPrompt() = default;

CGuiPrompt::~CGuiPrompt()
{
    std::lock_guard<std::mutex> guard(lock_);
    closing_ = true;
    RefusePendingLocked();
}

void CGuiPrompt::ShowMessage(const std::string& text, PromptIcon icon, const std::string& title)
{
    Ask(Kind::Message, text, title, icon);
}

bool CGuiPrompt::AskYesNo(const std::string& text, const std::string& title)
{
    return Ask(Kind::YesNo, text, title, PromptIcon::Question);
}

bool CGuiPrompt::AskOkCancel(const std::string& text, const std::string& title)
{
    return Ask(Kind::OkCancel, text, title, PromptIcon::Question);
}

bool CGuiPrompt::Ask(Kind kind, const std::string& text, const std::string& title,
                     PromptIcon icon)
{
    if (QThread::currentThread() == thread()) {
        return ShowBox(kind, text, title, icon);
    }
    auto request = std::make_shared<tagRequest>();
    request->kind = kind;
    request->text = text;
    request->title = title;
    request->icon = icon;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (worker_waits_ > 0 || closing_) {
            std::fprintf(stderr, "zovtool: %s [%s]\n", text.c_str(),
                         kind == Kind::Message ? "not shown" : "answered No");
            return false;
        }
        pending_.push_back(request);
    }
    QMetaObject::invokeMethod(this, [this, request] { Serve(request); }, Qt::QueuedConnection);
    request->done.Wait(kInfinite);
    return request->answer;
}

void CGuiPrompt::Serve(const std::shared_ptr<tagRequest>& request)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (request->answered) {
            return;
        }
    }
    const bool answer = ShowBox(request->kind, request->text, request->title, request->icon);
    std::lock_guard<std::mutex> guard(lock_);
    if (!request->answered) {
        Answer(*request, answer);
    }
    std::erase(pending_, request);
}

size_t CGuiPrompt::PendingQuestions()
{
    std::lock_guard<std::mutex> guard(lock_);
    return pending_.size();
}

void CGuiPrompt::RefusePendingLocked()
{
    for (const auto& request : pending_) {
        if (!request->answered) {
            Answer(*request, false);
        }
    }
    pending_.clear();
}

void CGuiPrompt::Answer(tagRequest& request, bool answer)
{
    request.answer = answer;
    request.answered = true;
    request.done.Set();
}

bool CGuiPrompt::ShowBox(Kind kind, const std::string& text, const std::string& title,
                         PromptIcon icon)
{
    QWidget* parent = QApplication::activeWindow();
    const QString shown = QString::fromStdString(text);
    const QString caption = QString::fromStdString(title);
    QMessageBox::Icon box_icon = QMessageBox::Warning;
    switch (icon) {
    case PromptIcon::Information: box_icon = QMessageBox::Information; break;
    case PromptIcon::Warning: box_icon = QMessageBox::Warning; break;
    case PromptIcon::Error: box_icon = QMessageBox::Critical; break;
    case PromptIcon::Question: box_icon = QMessageBox::Question; break;
    }
    switch (kind) {
    case Kind::Message: {
        QMessageBox box(box_icon, caption, shown, QMessageBox::Ok, parent);
        box.exec();
        return true;
    }
    case Kind::YesNo: {
        QMessageBox box(box_icon, caption, shown, QMessageBox::Yes | QMessageBox::No, parent);
        return box.exec() == QMessageBox::Yes;
    }
    case Kind::OkCancel: {
        QMessageBox box(box_icon, caption, shown, QMessageBox::Ok | QMessageBox::Cancel, parent);
        return box.exec() == QMessageBox::Ok;
    }
    }
    return false;
}

CGuiPrompt::CWorkerWaitScope::CWorkerWaitScope(CGuiPrompt* prompt) : prompt_(prompt)
{
    if (prompt_ != nullptr) {
        std::lock_guard<std::mutex> guard(prompt_->lock_);
        ++prompt_->worker_waits_;
        prompt_->RefusePendingLocked();
    }
}

CGuiPrompt::CWorkerWaitScope::~CWorkerWaitScope()
{
    if (prompt_ != nullptr) {
        std::lock_guard<std::mutex> guard(prompt_->lock_);
        --prompt_->worker_waits_;
    }
}
