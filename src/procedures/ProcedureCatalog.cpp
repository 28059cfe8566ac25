#include "procedures/ProcedureCatalog.h"

#include "procedures/AverageVideoLevelProcedure.h"
#include "procedures/CameraHeadProcedure.h"
#include "procedures/CosmeticCheckProcedure.h"
#include "procedures/DoseDoserateProcedure.h"
#include "procedures/DoseExposureProcedure.h"
#include "procedures/DoseLinkProcedure.h"
#include "procedures/IIDiameterProcedure.h"
#include "procedures/IIFocusProcedure.h"
#include "procedures/VideoPathProcedure.h"

namespace {

template <typename T>
std::unique_ptr<CProcedure> Create(CSerialCommHandler& handler, IProcedureView& view,
                                   const tagProcedureSettings& settings)
{
    return std::make_unique<T>(handler, view, settings);
}

template <typename T>
tagProcedureEntry Entry(const char* key)
{
    const tagProcedureDescription& description = T::Describe();
    return {key, description.title, description.kind, &Create<T>};
}

}  // namespace

const std::vector<tagProcedureEntry>& ProcedureCatalog()
{
    static const std::vector<tagProcedureEntry> entries = {
        Entry<CIIFocusProcedure>("ii-focus"),
        Entry<CCameraHeadProcedure>("camera-head"),
        Entry<CIIDiameterProcedure>("ii-diameter"),
        Entry<CDoseDoserateProcedure>("dose-abc"),
        Entry<CDoseExposureProcedure>("dose-aec"),
        Entry<CVideoPathProcedure>("video-path"),
        Entry<CAverageVideoLevelProcedure>("average-video-level"),
        Entry<CDoseLinkProcedure>("dose-link"),
        Entry<CCosmeticCheckProcedure>("cosmetic-check"),
    };
    return entries;
}

const tagProcedureEntry* FindProcedure(const std::string& key)
{
    for (const tagProcedureEntry& entry : ProcedureCatalog()) {
        if (key == entry.key) return &entry;
    }
    return nullptr;
}
