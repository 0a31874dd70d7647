#include "protocols/DeviceModel.h"

#include <cstring>

#include "acquisition/SharedState.h"

DeviceModel::DeviceModel(const char* name, int32_t baudRate, int32_t pointNum, int32_t reserved,
                         float compGain, float compBase, float compOffset)
    : nBaudRate(baudRate), nPointNum(pointNum), nReserved(reserved), szName{},
      fCompGain(compGain), fCompBase(compBase), fCompOffset(compOffset)
{
    if (std::strlen(name) < sizeof szName)
        std::memcpy(szName, name, std::strlen(name) + 1);
}

const DeviceModel g_ModelTR20("TR20", 115200, 30, 2020, 19.16f, 90.15f, 12.0f);
const DeviceModel g_ModelTR20_A("TR20_A", 115200, 30, 2020, 19.16f, 90.15f, 12.0f);
const DeviceModel g_ModelTR30_A("TR30_A", 115200, 30, 2020, 19.16f, 90.15f, 5.0f);
const DeviceModel g_ModelTR30_E("TR30_E", 115200, 30, 2020, 19.16f, 90.15f, 5.0f);
const DeviceModel g_ModelTR20_B("TR20_B", 115200, 30, 2020, 19.16f, 90.15f, 12.0f);
const DeviceModel g_ModelTR20_C("TR20_C", 115200, 30, 2020, 19.16f, 90.15f, 5.0f);
const DeviceModel g_ModelTR20_D("TR20_D", 115200, 30, 2020, 19.16f, 90.15f, 5.0f);
const DeviceModel g_ModelTR10("TR10", 230400, 60, 2020, 22.51f, 170.98f, 7.5f);

const DeviceModel* const g_Models[] = {&g_ModelTR20,   &g_ModelTR20_A, &g_ModelTR30_A,
                                        &g_ModelTR30_E, &g_ModelTR20_B, &g_ModelTR20_C,
                                        &g_ModelTR20_D, &g_ModelTR10,   nullptr};

int ModelCount()
{
    int n = 0;
    while (g_Models[n] != nullptr)
        ++n;
    return n;
}

ModelCodes CodesForName(const char* name)
{
    struct Row {
        const char* name;
        ModelCodes codes;
    };
    static const Row rows[] = {
        {"TR20_A", {1, 0}}, {"TR20_B", {1, 0}}, {"TR20", {1, 0}},   {"TR20_C", {2, 0}},
        {"TR20_D", {3, 0}}, {"TR30_A", {1, 1}}, {"TR30_E", {1, 1}},
    };
    for (const Row& row : rows) {
        if (std::strcmp(row.name, name) == 0)
            return row.codes;
    }
    return {0, 0};
}

int32_t SelectModel(const char* name)
{
    if (std::strlen(name) >= 32)
        return -1;
    for (int32_t i = 0; g_Models[i] != nullptr; ++i) {
        if (std::strcmp(g_Models[i]->szName, name) != 0)
            continue;
        const ModelCodes codes = CodesForName(name);
        Store(g_pModel, g_Models[i]);
        Store(g_nProtocol, codes.protocol);
        Store(g_nFormulaKind, codes.formulaKind);
        return i;
    }
    return -1;
}

const DeviceModel* FindAnyModel(const char* name)
{
    for (int i = 0; g_Models[i] != nullptr; ++i) {
        if (std::strcmp(g_Models[i]->szName, name) == 0)
            return g_Models[i];
    }
    return nullptr;
}

std::string ModelNames()
{
    std::string names;
    for (int i = 0; g_Models[i] != nullptr; ++i)
        names += (i == 0 ? "" : ", ") + std::string(g_Models[i]->szName);
    return names;
}
