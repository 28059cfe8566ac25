// The video path test: subsystem test 2 runs with the image chain set to neutral values (the
// video path presets, only where the subsystem has image processing) while the engineer checks
// the video path; the next press stops it.
#pragma once

#include "procedures/Procedure.h"

class CVideoPathProcedure : public CProcedure {
public:
    static const tagProcedureDescription& Describe();

    CVideoPathProcedure(CSerialCommHandler& handler, IProcedureView& view, const tagProcedureSettings& settings,
                        std::shared_ptr<const CTextSource> texts = nullptr);

private:
    void StepStart();
    void StepAcqui();
};
