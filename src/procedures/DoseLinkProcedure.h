// The doserate link test: subsystem test 20 runs while the engineer checks the doserate link;
// the next press stops it. The engineer switches fluoroscopy on and off himself: this test never
// prepares, whatever the "Prepare by ZOV tool" setting says.
#pragma once

#include "procedures/Procedure.h"

class CDoseLinkProcedure : public CProcedure {
public:
    static const tagProcedureDescription& Describe();

    // settings.prepare is not used.
    CDoseLinkProcedure(CSerialCommHandler& handler, IProcedureView& view, const tagProcedureSettings& settings,
                       std::shared_ptr<const CTextSource> texts = nullptr);

private:
    void StepStart();
    void StepDoTest();
};
