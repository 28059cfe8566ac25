#include "gui/logs/BoundedLogLevelDlg.h"

#include <atomic>

#include "handler/SerialCommHandler.h"
#include "platform/Event.h"
#include "platform/Thread.h"

namespace {

constexpr uint32_t kLogLevelRequestLimitMs = 3000;

// Ends the board's waits when a request on the GUI thread takes longer than limit_ms, and lets
// requests run again when it goes.
class CRequestDeadline {
public:
    CRequestDeadline(CSerialCommHandler& handler, uint32_t limit_ms) : handler_(handler)
    {
        thread_.Start([this, limit_ms] {
            if (!done_.Wait(limit_ms)) {
                expired_ = true;
                handler_.StopRequests();
            }
        });
    }
    ~CRequestDeadline()
    {
        done_.Set();
        thread_.Join();
        if (expired_) handler_.ResumeRequests();
    }
    CRequestDeadline(const CRequestDeadline&) = delete;
    CRequestDeadline& operator=(const CRequestDeadline&) = delete;

private:
    CSerialCommHandler& handler_;
    CEvent done_{CEvent::Kind::ManualReset};
    std::atomic<bool> expired_{false};
    CThread thread_;
};

// The log level dialog with the same bound on the level it sends on OK.
class CBoundedLogLevelDlg : public CSetLogLevelDlg {
public:
    CBoundedLogLevelDlg(CSerialCommHandler& handler, QWidget* parent)
        : CSetLogLevelDlg(handler, parent), handler_(handler)
    {
    }
    void accept() override
    {
        CRequestDeadline deadline(handler_, kLogLevelRequestLimitMs);
        CSetLogLevelDlg::accept();
    }

private:
    CSerialCommHandler& handler_;
};

}  // namespace

void ExecBoundedLogLevelDialog(CSerialCommHandler& handler, QWidget* parent)
{
    std::unique_ptr<CBoundedLogLevelDlg> dialog;
    {
        CRequestDeadline deadline(handler, kLogLevelRequestLimitMs);
        dialog = std::make_unique<CBoundedLogLevelDlg>(handler, parent);
    }
    dialog->exec();
}
