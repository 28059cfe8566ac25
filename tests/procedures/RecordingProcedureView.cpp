#include "RecordingProcedureView.h"

namespace {

bool ValueOr(const std::map<std::string, bool>& values, const std::string& key, bool fallback)
{
    const auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

}  // namespace

void CRecordingProcedureView::SetText(const std::string& control, const std::string& text)
{
    std::lock_guard<std::mutex> guard(lock_);
    texts_[control] = text;
    history_[control].push_back(text);
}

void CRecordingProcedureView::SetTextRed(const std::string& control, bool red)
{
    std::lock_guard<std::mutex> guard(lock_);
    red_[control] = red;
}

void CRecordingProcedureView::Show(const std::string& control, bool shown)
{
    std::lock_guard<std::mutex> guard(lock_);
    shown_[control] = shown;
}

void CRecordingProcedureView::Enable(const std::string& control, bool enabled)
{
    std::lock_guard<std::mutex> guard(lock_);
    enabled_[control] = enabled;
}

void CRecordingProcedureView::Check(const std::string& control, bool checked)
{
    std::lock_guard<std::mutex> guard(lock_);
    checked_[control] = checked;
}

std::string CRecordingProcedureView::EntryText(const std::string& control)
{
    std::lock_guard<std::mutex> guard(lock_);
    const auto typed = typed_.find(control);
    if (typed != typed_.end()) return typed->second;
    const auto text = texts_.find(control);
    return text == texts_.end() ? "" : text->second;
}

bool CRecordingProcedureView::AskYesNo(const std::string& text)
{
    std::lock_guard<std::mutex> guard(lock_);
    questions_.push_back(text);
    if (answers_.empty()) return false;
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void CRecordingProcedureView::ShowMessage(const std::string& text)
{
    std::lock_guard<std::mutex> guard(lock_);
    messages_.push_back(text);
}

void CRecordingProcedureView::Sleep(uint32_t ms)
{
    std::lock_guard<std::mutex> guard(lock_);
    sleeps_.push_back(ms);
}

std::string CRecordingProcedureView::Text(const std::string& control) const
{
    std::lock_guard<std::mutex> guard(lock_);
    const auto it = texts_.find(control);
    return it == texts_.end() ? "" : it->second;
}

bool CRecordingProcedureView::Red(const std::string& control) const
{
    std::lock_guard<std::mutex> guard(lock_);
    return ValueOr(red_, control, false);
}

bool CRecordingProcedureView::Shown(const std::string& control) const
{
    std::lock_guard<std::mutex> guard(lock_);
    return ValueOr(shown_, control, true);
}

bool CRecordingProcedureView::Enabled(const std::string& control) const
{
    std::lock_guard<std::mutex> guard(lock_);
    return ValueOr(enabled_, control, true);
}

bool CRecordingProcedureView::Checked(const std::string& control) const
{
    std::lock_guard<std::mutex> guard(lock_);
    return ValueOr(checked_, control, false);
}

std::vector<std::string> CRecordingProcedureView::TextsOf(const std::string& control) const
{
    std::lock_guard<std::mutex> guard(lock_);
    const auto it = history_.find(control);
    return it == history_.end() ? std::vector<std::string>{} : it->second;
}

void CRecordingProcedureView::Type(const std::string& control, const std::string& text)
{
    std::lock_guard<std::mutex> guard(lock_);
    typed_[control] = text;
}

void CRecordingProcedureView::QueueAnswers(std::initializer_list<bool> answers)
{
    std::lock_guard<std::mutex> guard(lock_);
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

std::vector<std::string> CRecordingProcedureView::Questions() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return questions_;
}

std::vector<std::string> CRecordingProcedureView::Messages() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return messages_;
}

std::vector<uint32_t> CRecordingProcedureView::Sleeps() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return sleeps_;
}
