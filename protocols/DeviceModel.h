// The scanner models the viewer knows, and the selection of one by name.
#pragma once

#include <cstdint>
#include <string>

struct DeviceModel {
    int32_t nBaudRate;
    int32_t nPointNum;   // samples per packet of protocol 0
    int32_t nReserved;
    char szName[32];
    float fCompGain;     // the three constants of the angle correction
    float fCompBase;
    float fCompOffset;

    // A name of 32 characters or more leaves szName empty.
    DeviceModel(const char* name, int32_t baudRate, int32_t pointNum, int32_t reserved,
                float compGain, float compBase, float compOffset);
};

extern const DeviceModel g_ModelTR20;
extern const DeviceModel g_ModelTR20_A;
extern const DeviceModel g_ModelTR30_A;
extern const DeviceModel g_ModelTR30_E;
extern const DeviceModel g_ModelTR20_B;
extern const DeviceModel g_ModelTR20_C;
extern const DeviceModel g_ModelTR20_D;
extern const DeviceModel g_ModelTR10;

// The models the operator can choose, in combo-box order, closed by a null: the four protocol-1
// models the list always offered, TR20_A (the default) second, then the models of the other
// protocols.
extern const DeviceModel* const g_Models[];
constexpr int ORIGINAL_MODEL_COUNT = 4;

int ModelCount();

// Protocol code and formula kind that belong to a model name.
struct ModelCodes {
    int32_t protocol;
    int32_t formulaKind;
};
ModelCodes CodesForName(const char* name);

// Selects a row of g_Models by exact name: sets g_pModel, g_nProtocol and g_nFormulaKind.
// Returns the row's index, or -1 (nothing changes) when no listed row has that name.
int32_t SelectModel(const char* name);

// The row of that exact name, or null; nothing is selected.
const DeviceModel* FindAnyModel(const char* name);

// "TR20, TR20_A, ...": every model's name, for messages.
std::string ModelNames();
