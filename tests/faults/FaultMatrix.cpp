#include "FaultMatrix.h"

#include <algorithm>
#include <cstdio>

// Cells known to go wrong until a fix made elsewhere lands, one line each:
//     {"fault", "operation", "cause"},
const std::vector<tagKnownFailure> kKnownFailures = {
};

namespace {

constexpr size_t kWrongsKept = 5;

}  // namespace

tagMatrixCell& CFaultMatrix::Cell(const std::string& fault, const std::string& operation, uint64_t ms)
{
    auto found = std::find_if(cells_.begin(), cells_.end(), [&](const tagMatrixCell& cell) {
        return cell.fault == fault && cell.operation == operation;
    });
    if (found == cells_.end()) {
        tagMatrixCell cell;
        cell.fault = fault;
        cell.operation = operation;
        cells_.push_back(cell);
        found = cells_.end() - 1;
    }
    found->slowest_ms = std::max(found->slowest_ms, ms);
    return *found;
}

void CFaultMatrix::Succeeded(const std::string& fault, const std::string& operation, uint64_t ms)
{
    std::lock_guard<std::mutex> guard(lock_);
    ++Cell(fault, operation, ms).succeeded;
}

void CFaultMatrix::Failed(const std::string& fault, const std::string& operation, const std::string& message,
                          uint64_t ms)
{
    std::lock_guard<std::mutex> guard(lock_);
    tagMatrixCell& cell = Cell(fault, operation, ms);
    ++cell.failed;
    ++cell.failures[message];
}

void CFaultMatrix::Wrong(const std::string& fault, const std::string& operation, const std::string& what,
                         uint64_t ms)
{
    std::lock_guard<std::mutex> guard(lock_);
    tagMatrixCell& cell = Cell(fault, operation, ms);
    ++cell.wrong;
    if (cell.wrongs.size() < kWrongsKept) {
        cell.wrongs.push_back(what);
    }
}

void CFaultMatrix::AddRow(const std::string& fault, const std::vector<std::string>& operations)
{
    std::lock_guard<std::mutex> guard(lock_);
    for (const std::string& operation : operations) {
        Cell(fault, operation, 0);
    }
}

void CFaultMatrix::SetStruck(const std::string& fault, uint32_t struck)
{
    std::lock_guard<std::mutex> guard(lock_);
    struck_[fault] = struck;
}

const tagKnownFailure* CFaultMatrix::Known(const tagMatrixCell& cell)
{
    for (const tagKnownFailure& known : kKnownFailures) {
        if (cell.fault == known.fault && cell.operation == known.operation) {
            return &known;
        }
    }
    return nullptr;
}

void CFaultMatrix::Print() const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::printf("\n%s\n", title_.c_str());
    std::printf("%-20s %6s | %-9s %9s %6s %5s %10s\n", "fault", "struck", "operation", "succeeded", "failed", "wrong",
                "slowest ms");
    std::string previous;
    for (const tagMatrixCell& cell : cells_) {
        const bool first = cell.fault != previous;
        previous = cell.fault;
        const auto row = struck_.find(cell.fault);
        const std::string struck = row == struck_.end() ? "" : std::to_string(row->second);
        std::printf("%-20s %6s | %-9s %9u %6u %5u %10llu%s\n", first ? cell.fault.c_str() : "",
                    first ? struck.c_str() : "", cell.operation.c_str(), cell.succeeded, cell.failed, cell.wrong,
                    static_cast<unsigned long long>(cell.slowest_ms), Known(cell) != nullptr ? "  (known failure)" : "");
    }
    for (const tagMatrixCell& cell : cells_) {
        for (const auto& [message, count] : cell.failures) {
            std::printf("  failed  %s x %s: %u x \"%s\"\n", cell.fault.c_str(), cell.operation.c_str(), count,
                        message.c_str());
        }
    }
    for (const tagMatrixCell& cell : cells_) {
        for (const std::string& what : cell.wrongs) {
            std::printf("  WRONG   %s x %s: %s\n", cell.fault.c_str(), cell.operation.c_str(), what.c_str());
        }
        if (const tagKnownFailure* known = Known(cell)) {
            std::printf("  known   %s x %s: %s\n", cell.fault.c_str(), cell.operation.c_str(), known->cause);
        }
    }
    std::fflush(stdout);
}

std::vector<std::string> CFaultMatrix::Problems() const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::string> problems;
    for (const tagMatrixCell& cell : cells_) {
        if (cell.wrong > 0 && Known(cell) == nullptr) {
            problems.push_back(cell.fault + " x " + cell.operation + ": " + std::to_string(cell.wrong) + " wrong, first: " +
                               (cell.wrongs.empty() ? "" : cell.wrongs.front()));
        }
    }
    return problems;
}
