// The cosmetic check: subsystem test 40 runs (with fluoroscopy switched on by the tool when it
// prepares) while the engineer looks at the image for blemishes; the next press stops it.
#pragma once

#include "procedures/Procedure.h"

class CCosmeticCheckProcedure : public CProcedure {
public:
    static const tagProcedureDescription& Describe();

    CCosmeticCheckProcedure(CSerialCommHandler& handler, IProcedureView& view, const tagProcedureSettings& settings,
                            std::shared_ptr<const CTextSource> texts = nullptr);

private:
    void StepStart();
    void StepDoTest();
};
