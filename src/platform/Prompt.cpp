#include "platform/Prompt.h"

#include <atomic>
#include <cstdio>

const char kPromptTitle[] = "ZOV tool";

namespace {

CConsolePrompt g_fallback(false);
std::atomic<IPrompt*> g_prompt{&g_fallback};

std::string OneLine(const std::string& text)
{
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        line += (text[i] == '\r' || text[i] == '\n') ? ' ' : text[i];
    }
    return line;
}

}  // namespace

void ShowMessage(const std::string& text, PromptIcon icon, const std::string& title)
{
    g_prompt.load()->ShowMessage(text, icon, title);
}

bool AskYesNo(const std::string& text, const std::string& title)
{
    return g_prompt.load()->AskYesNo(text, title);
}

bool AskOkCancel(const std::string& text, const std::string& title)
{
    return g_prompt.load()->AskOkCancel(text, title);
}

CScopedPrompt::CScopedPrompt(IPrompt& prompt) : previous_(g_prompt.exchange(&prompt)) {}

CScopedPrompt::~CScopedPrompt()
{
    g_prompt.store(previous_);
}

void CConsolePrompt::ShowMessage(const std::string& text, PromptIcon, const std::string&)
{
    std::fprintf(stderr, "%s\n", OneLine(text).c_str());
}

bool CConsolePrompt::AskYesNo(const std::string& text, const std::string&)
{
    std::fprintf(stderr, "%s [%s]\n", OneLine(text).c_str(), yes_to_all_ ? "Yes" : "No");
    return yes_to_all_;
}

bool CConsolePrompt::AskOkCancel(const std::string& text, const std::string&)
{
    std::fprintf(stderr, "%s [%s]\n", OneLine(text).c_str(), yes_to_all_ ? "OK" : "Cancel");
    return yes_to_all_;
}

void CRecordingPrompt::ShowMessage(const std::string& text, PromptIcon icon, const std::string& title)
{
    std::lock_guard<std::mutex> guard(lock_);
    records_.push_back(Record{Record::Kind::Message, text, title, icon, true});
}

bool CRecordingPrompt::Answer(Record::Kind kind, const std::string& text, const std::string& title)
{
    std::lock_guard<std::mutex> guard(lock_);
    bool answer = default_answer_;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    records_.push_back(Record{kind, text, title, PromptIcon::Question, answer});
    return answer;
}

bool CRecordingPrompt::AskYesNo(const std::string& text, const std::string& title)
{
    return Answer(Record::Kind::YesNo, text, title);
}

bool CRecordingPrompt::AskOkCancel(const std::string& text, const std::string& title)
{
    return Answer(Record::Kind::OkCancel, text, title);
}

void CRecordingPrompt::QueueAnswers(std::initializer_list<bool> answers)
{
    std::lock_guard<std::mutex> guard(lock_);
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

void CRecordingPrompt::SetDefaultAnswer(bool answer)
{
    std::lock_guard<std::mutex> guard(lock_);
    default_answer_ = answer;
}

std::vector<CRecordingPrompt::Record> CRecordingPrompt::Records() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return records_;
}

std::vector<std::string> CRecordingPrompt::Texts() const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::string> texts;
    for (const Record& record : records_) {
        texts.push_back(record.text);
    }
    return texts;
}

void CRecordingPrompt::Clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    records_.clear();
    answers_.clear();
}
