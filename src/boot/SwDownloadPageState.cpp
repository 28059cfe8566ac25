#include "boot/SwDownloadPageState.h"

#include "shell/AppSettings.h"

CSwDownloadPageState::CSwDownloadPageState()
    : file_name_(AppSettings::GetDownloadFilename()), verify_(AppSettings::GetVerifyAfterProgram())
{
}

CSwDownloadPageState::~CSwDownloadPageState()
{
    AppSettings::SetDownloadFilename(file_name_);
    AppSettings::SetVerifyAfterProgram(verify_);
}

void CSwDownloadPageState::SetRunning(bool running)
{
    running_ = running;
    if (!running) {
        aborting_ = false;
    }
}
