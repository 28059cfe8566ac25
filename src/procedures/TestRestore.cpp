#include "procedures/TestRestore.h"

const std::vector<tagUnsetParameter>& TimingFirstTestUnsets()
{
    static const std::vector<tagUnsetParameter> unsets = {
        {0, "SensorIntervalTime"}, {0, "SensorIntegrationTime"}, {0, "Involved"}, {1, "Involved"}};
    return unsets;
}

const std::vector<tagUnsetParameter>& InvolvedFirstTestUnsets()
{
    static const std::vector<tagUnsetParameter> unsets = {
        {0, "Involved"}, {1, "Involved"}, {0, "SensorIntervalTime"}, {0, "SensorIntegrationTime"}};
    return unsets;
}
