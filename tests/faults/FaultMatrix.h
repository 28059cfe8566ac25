// The fault matrix: for each fault the simulated board injects and each operation tried under
// it, how many runs succeeded with the right data, failed with a message the engineer is meant
// to see, or went wrong. Wrong is a success with wrong data (flash that differs from the image,
// a value read back that was never written), a failure with any other message, and a run that
// did not end within its bound. Every cell is printed, so that CI shows the whole picture.
//
// A cell whose wrong runs have a cause known to be fixed elsewhere is listed in
// kKnownFailures: it is printed as known, with its cause, and does not fail the test. Deleting
// its line makes the cell count again.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct tagKnownFailure {
    const char* fault;  // the row: the fault as zov-boardsim's --fault takes it ("lose=0.03")
    const char* operation;
    const char* cause;
};

// One line each; empty when every cell must be clean.
extern const std::vector<tagKnownFailure> kKnownFailures;

struct tagMatrixCell {
    std::string fault;  // as zov-boardsim's --fault takes it
    std::string operation;
    uint32_t succeeded = 0;
    uint32_t failed = 0;
    uint32_t wrong = 0;
    uint64_t slowest_ms = 0;
    std::map<std::string, uint32_t> failures;  // expected failure message -> count
    std::vector<std::string> wrongs;           // what went wrong, the first few
};

class CFaultMatrix {
public:
    explicit CFaultMatrix(std::string title) : title_(std::move(title)) {}

    // Counts one run. Any thread.
    void Succeeded(const std::string& fault, const std::string& operation, uint64_t ms);
    void Failed(const std::string& fault, const std::string& operation, const std::string& message, uint64_t ms);
    void Wrong(const std::string& fault, const std::string& operation, const std::string& what, uint64_t ms);
    // A fault's row, with its cells in the order given; rows print in the order added.
    void AddRow(const std::string& fault, const std::vector<std::string>& operations);
    // How often the board's fault struck over the row. Any thread.
    void SetStruck(const std::string& fault, uint32_t struck);

    // Prints the matrix and the failure messages and wrong runs below it, on standard output.
    void Print() const;
    // "fault x operation: what" for each wrong cell that is not a known failure.
    std::vector<std::string> Problems() const;

private:
    tagMatrixCell& Cell(const std::string& fault, const std::string& operation, uint64_t ms);
    static const tagKnownFailure* Known(const tagMatrixCell& cell);

    std::string title_;
    mutable std::mutex lock_;
    std::vector<tagMatrixCell> cells_;  // in the order of the rows, then of their operations
    std::map<std::string, uint32_t> struck_;  // per row: how often the board's fault struck
};
