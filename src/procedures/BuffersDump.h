// The buffers overview: a plain-text dump of the requested (and, for the application and Review
// buffers, the accepted) value of every parameter in the subsystem's parameter buffers, for both
// logical devices. A worker thread builds the text one parameter line at a time, so a window or a
// terminal can show it as it grows while dozens of slow subsystem reads run.
//
// Order of the dump: logical device 0 with the Field Service buffer and the System Wide buffer
// (requested values), then each application buffer whose accepted "Involved" reads TRUE (with
// accepted values); logical device 1 in the same way; last, device 1's Review buffer when
// component 6 reports an FPGA of type 2. Lines end with CR LF.
//
// Threads: Start, RequestStop, WaitForEnd, Join and the destructor belong to the owner's thread;
// Text may be called from any thread; the added function is called on the worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "handler/ParamTable.h"
#include "platform/Event.h"
#include "platform/Thread.h"

class CSerialCommHandler;

// The texts of one dump, exactly as the overview shows them.
namespace BuffersDumpText {

// "Image Detection " (with its trailing blank) or "Image Processing"; "" for any other device.
std::string DeviceName(uint32_t logical_device);
// "  System Wide", "Application 1" ... "Application 8", "Field Service", "       Review".
std::string BufferName(uint32_t buffer);
// The five header lines of one buffer; the third column is titled "Accepted" only when the
// buffer is dumped with accepted values.
std::string Header(uint32_t logical_device, uint32_t buffer, bool with_accepted);
// A value as the overview prints it: TRUE/FALSE, decimal numbers, the 16 words each followed by
// a blank, the two bytes as signed numbers; "" for an unknown type.
std::string Value(const ParamValue& value);
// One parameter line: the name padded to 33 characters, then each value right-aligned in 10
// characters (nothing is cut). accepted is null for a buffer dumped with requested values only.
std::string Line(const std::string& name, const std::string& requested, const std::string* accepted);

}  // namespace BuffersDumpText

class CBuffersDump {
public:
    // Called after every addition to the text with the piece just added.
    using AddedFunction = std::function<void(const std::string& added)>;

    // Called once when the dump has ended, complete or stopped.
    using FinishedFunction = std::function<void()>;

    // handler is borrowed and must outlive the dump. Both functions may be empty; they are
    // called on the thread that runs the dump.
    CBuffersDump(CSerialCommHandler& handler, AddedFunction on_added, FinishedFunction on_finished = {});
    // Asks the worker to stop and waits for it.
    ~CBuffersDump();
    CBuffersDump(const CBuffersDump&) = delete;
    CBuffersDump& operator=(const CBuffersDump&) = delete;

    // Starts the worker. False when it runs already or has run (a dump runs once).
    bool Start();
    // Runs the whole dump on the calling thread instead of a worker; returns when it is done or
    // was stopped.
    void Run();
    // Asks the dump to stop before its next parameter; the read under way finishes first. Any
    // thread.
    void RequestStop();
    // True once the worker has ended (or was never started).
    bool HasEnded() const { return worker_.HasEnded(); }
    // Waits up to timeout_ms for the worker to end; true when it has.
    bool WaitForEnd(uint32_t timeout_ms) { return worker_.WaitForEnd(timeout_ms); }
    // True when the dump was stopped before it was complete.
    bool WasStopped() const { return stopped_; }
    // The number of parameter lines dumped so far (0 from a board that answers nothing).
    size_t ParameterLines() const { return parameter_lines_; }

    // The text so far. Any thread.
    std::string Text() const;

    // The longest a read of the dump waits for its reply when the handler's command time-out
    // is unlimited, so that a stop always takes effect.
    static constexpr uint32_t kUnlimitedReadBoundMs = 5000;

private:
    enum class Values { RequestedOnly, WithAccepted };

    void DumpAll();
    // Dumps one buffer; false when the stop request aborted it.
    bool DumpBuffer(uint32_t logical_device, uint32_t buffer, Values values);
    bool DumpDeviceBuffers(uint32_t logical_device);
    bool DumpReviewWhenPresent();
    bool ApplicationInvolved(uint32_t logical_device, uint32_t buffer);
    bool ReadLine(uint32_t logical_device, uint32_t buffer, const char* name, Values values,
                  std::string* line);
    void Add(const std::string& piece);
    const CParamTable& Table(uint32_t logical_device) const;

    CSerialCommHandler& handler_;
    AddedFunction on_added_;
    FinishedFunction on_finished_;
    const uint32_t read_timeout_ms_;
    CDev0ParamTable* dev0_table_;
    CDev1ParamTable* dev1_table_;

    mutable std::mutex text_lock_;
    std::string text_;
    CEvent stop_event_{CEvent::Kind::ManualReset};
    std::atomic<bool> stopped_{false};
    std::atomic<size_t> parameter_lines_{0};
    bool started_ = false;
    CThread worker_;
};
