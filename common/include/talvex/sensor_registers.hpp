// The hydrogen sensor's parameter registers as one table: addresses, encodings, the text items read
// through register 254, the commit codes of register 253 with their staged layouts, the text-write
// codes, the commands of register 160 and the calibration and fine-adjustment registers. Pure data,
// shared by the sensor operations (device/), the CLI and the simulator (sim/), so no number of the
// sensor's interface is written down twice.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace talvex::sensor {

// How a value sits in its registers.
enum class Encoding : std::uint8_t {
    U16,              // 1 register
    U32,              // 2, high word at the lower address
    S32,              // 2, high word first
    S32x1e4,          // 2: single-precision product value x 10000, truncated toward zero
    S32x1e3,          // 2: as S32x1e4 with 1000
    S64x1e9,          // 4: double product value x 10^9, truncated toward zero, most significant word first
    Text20,           // 10: 20 bytes of text (GBK on the wire)
    BcdMonthDay,      // 1: MMDD, month in the high byte
    BcdYear,          // 1: YYYY
    BcdHour,          // 1: 00HH
    BcdMinuteSecond,  // 1: MMSS
    BcdDate,          // 2: MMDD then YYYY (the data date at 83-84), entered as YYYYMMDD
};

constexpr int registerCount(Encoding e) {
    switch (e) {
        case Encoding::U32:
        case Encoding::S32:
        case Encoding::S32x1e4:
        case Encoding::S32x1e3:
        case Encoding::BcdDate:
            return 2;
        case Encoding::S64x1e9:
            return 4;
        case Encoding::Text20:
            return 10;
        default:
            return 1;
    }
}

// Register addresses (zero-based, as in the request frame).
namespace reg {
// Measurement block and status word: read by the poller (acquisition/). Registers of the block not
// named here (1, 3, 5, 7, 11-13 and the second word of each value) are read with it and not used.
inline constexpr std::uint16_t kMeasurementBlock = 0;
inline constexpr std::uint16_t kMeasurementCount = 15;
inline constexpr std::uint16_t kHydrogenInOilReading = 0;  // s32 ppm, high word first: calibration reads it
inline constexpr std::uint16_t kHydrogenInOil = 2;         // s32 ppm, high word first: the poller's H2DG
inline constexpr std::uint16_t kHydrogenGasPhase = 4;      // s32 ppm, high word first: H2AG
inline constexpr std::uint16_t kSensorTemperature = 6;     // u16; degC = value / 100 - 100
inline constexpr std::uint16_t kOilTemperature = 8;        // u16; degC = value / 100 - 100
inline constexpr std::uint16_t kEnergy = 9;  // u16 percent; a write takes the low byte; ModelKF's DayRoc
inline constexpr std::uint16_t kSendInterval = 10;  // write seconds / 10 (low byte), reads seconds
inline constexpr std::uint16_t kDailyRate = 14;     // s16 ppm per day: DayRoc of the other models
inline constexpr std::uint16_t kStaging1 = 19;      // 19-30
inline constexpr std::uint16_t kStaging1Count = 12;
inline constexpr std::uint16_t kProductModel = 31;   // text20
inline constexpr std::uint16_t kProductNumber = 41;  // text20
inline constexpr std::uint16_t kCoreNumber = 51;     // text20
inline constexpr std::uint16_t kBoardNumber = 71;    // text20
inline constexpr std::uint16_t kDataDate = 83;       // BCD MMDD, 84 BCD YYYY
inline constexpr std::uint16_t kDataDateYear = 84;
inline constexpr std::uint16_t kFirmware = 89;  // text20, read only
inline constexpr std::uint16_t kStatus = 111;   // run-status word, read alone
inline constexpr std::uint16_t kStatusCount = 1;
// Bits of the run-status word the sensor sets while its alarm 1, 2 or 3 is on.
inline constexpr std::uint16_t kStatusAlarm1 = 1u << 4;
inline constexpr std::uint16_t kStatusAlarm2 = 1u << 5;
inline constexpr std::uint16_t kStatusAlarm3 = 1u << 6;
inline constexpr std::uint16_t kCalibration1 = 121;       // calibration command register 1
inline constexpr std::uint16_t kCalibration2 = 122;       // calibration command register 2
inline constexpr std::uint16_t kReset = 123;              // reset command (kResetCommands)
inline constexpr std::uint16_t kCalReferenceHigh = 126;   // reference value, first word
inline constexpr std::uint16_t kCalReferenceLow = 127;    // reference value, second word
inline constexpr std::uint16_t kCalDateMonthDay = 128;    // month * 256 + day
inline constexpr std::uint16_t kCalDateYear = 129;        // four-digit year
inline constexpr std::uint16_t kClockMonthDay = 130;      // BCD MMDD
inline constexpr std::uint16_t kClockYear = 131;          // BCD YYYY
inline constexpr std::uint16_t kClockHour = 132;          // BCD 00HH
inline constexpr std::uint16_t kClockMinuteSecond = 133;  // BCD MMSS
inline constexpr std::uint16_t kRangeLow = 141;           // u32 ppm
inline constexpr std::uint16_t kRangeHigh = 143;          // u32 ppm
inline constexpr std::uint16_t kAnalogLow = 145;          // u16 = value x 100
inline constexpr std::uint16_t kAnalogHigh = 146;
inline constexpr std::uint16_t kAnalogError = 147;
inline constexpr std::uint16_t kAnalogReady = 148;
inline constexpr std::uint16_t kWireless485 = 149;          // 1 = switch a wireless sensor to 485-232
inline constexpr std::uint16_t kSensorId = 150;             // slave address 1..247
inline constexpr std::uint16_t kOperationMode = 151;        // kFieldMode / kLaboratoryMode
inline constexpr std::uint16_t kAlarmHydrogen = 152;        // s32 ppm
inline constexpr std::uint16_t kAlarmRate = 154;            // s32 ppm per day
inline constexpr std::uint16_t kAlarmOilTemperature = 156;  // u16 = degC x 100
inline constexpr std::uint16_t kFineAdjust110 = 159;        // procedure E
inline constexpr std::uint16_t kCommand = 160;              // procedure D
inline constexpr std::uint16_t kPressureBlock = 161;        // 161-166, read by the poller
inline constexpr std::uint16_t kPressureBlockCount = 6;
inline constexpr std::uint16_t kPressure = 161;             // float kPa, low-order half first
inline constexpr std::uint16_t kMoistureTemperature = 163;  // float degC, low-order half first
inline constexpr std::uint16_t kMoisture = 165;             // float ppm, low-order half first
inline constexpr std::uint16_t kFineAdjust50 = 169;         // procedure E
inline constexpr std::uint16_t kFineAdjust90 = 170;         // procedure E
inline constexpr std::uint16_t kElementResistance = 173;    // s32 = ohms x 1000, read only
inline constexpr std::uint16_t kStaging2 = 179;             // 179-190
inline constexpr std::uint16_t kStaging2Count = 12;
inline constexpr std::uint16_t kTextWindow = 191;  // 191-200: read side of procedure B; signer
inline constexpr std::uint16_t kStaging3 = 231;    // 231-250
inline constexpr std::uint16_t kStaging3Count = 20;
inline constexpr std::uint16_t kCommit = 253;    // procedure A
inline constexpr std::uint16_t kTextItem = 254;  // procedures B and C

// A wireless concentrator answers for its nodes k = 1..16 at kNodeStride x k + the address of the
// measurement block, the status word and the pressure block.
inline constexpr int kConcentratorNodes = 16;
inline constexpr std::uint16_t kNodeStride = 256;
constexpr std::uint16_t nodeRegister(int node, std::uint16_t address) {
    return static_cast<std::uint16_t>(kNodeStride * node + address);
}
}  // namespace reg

// The longest send interval register 10 can hold (255 x 10 s).
inline constexpr int kMaxSendIntervalSeconds = 2550;

inline constexpr int kText20Registers = 10;
inline constexpr int kText20Bytes = 20;
inline constexpr int kMinSensorId = 1;
inline constexpr int kMaxSensorId = 247;

// Operation mode (register 151).
inline constexpr std::uint16_t kFieldMode = 0x1000;
inline constexpr std::uint16_t kLaboratoryMode = 0x1001;
// Reset register 123.
inline constexpr std::uint16_t kResetRestoreFactory = 2;
inline constexpr std::uint16_t kResetClearHydrogen = 1;
inline constexpr std::uint16_t kResetClearPressure = 3;
inline constexpr std::uint16_t kResetClearMoisture = 4;
inline constexpr std::uint16_t kResetClearMoistureTemperature = 5;
// Wireless 485-232 switch (register 149).
inline constexpr std::uint16_t kWireless485On = 1;

// Calibration command codes of registers 121/122 and the result codes read back.
namespace cal {
inline constexpr std::uint16_t kInOil = 1001;        // 121 start, 122 calibrate (in oil, lab, wireless)
inline constexpr std::uint16_t kGasPhaseFirst = 1;   // 121 := 1 first point, 122 := 1 second point
inline constexpr std::uint16_t kGasPhasePoint = 17;  // 121/122 := 17 calibrate a gas-phase point
inline constexpr std::uint16_t kGasPhaseNext = 2;    // 121 := 2 after the first point
inline constexpr std::uint16_t kPressure = 2001;
inline constexpr std::uint16_t kMoisture = 3001;
inline constexpr std::uint16_t kMoistureTemperature = 4001;
inline constexpr std::uint16_t kRefused = 403;  // 403 and 404: refused in this measuring state
inline constexpr std::uint16_t kRefusedToo = 404;
inline constexpr std::uint16_t kGasPhaseDone = 16;  // after 17
inline constexpr std::uint16_t kCalibrateDone = 0;  // after 1001 / 2001 / 3001 / 4001 on 122
}  // namespace cal

// Text items read through register 254 (procedure B); each is rendered by the sensor as text20.
struct TextItem {
    std::uint16_t code;
    std::string_view label;  // as the production read-out shows it ("" where it has none)
    std::string_view description;
    std::uint16_t writtenBy;  // commit code that writes it (0: registers 83-84 / signing)
};

inline constexpr TextItem kTextItems[] = {
    {2549, "标定日期", "数据建立日期(PD)", 1003},
    {2550, "标定人员", "标定信息责任人", 2571},
    {2551, "P0", "标定数据P0点", 1003},
    {2552, "A1", "标定数据1段", 1003},
    {2553, "B1", "标定数据1段", 1003},
    {2554, "C1", "标定数据1段", 1003},
    {2555, "P1", "标定数据P1点", 1003},
    {2556, "A2", "标定数据2段", 1003},
    {2557, "B2", "标定数据2段", 1003},
    {2558, "C2", "标定数据2段", 1003},
    {2559, "P2", "标定数据P2点", 1003},
    {2560, "A3", "标定数据3段", 1003},
    {2561, "B3", "标定数据3段", 1003},
    {2562, "C3", "标定数据3段", 1003},
    {2563, "P3", "标定数据P3点", 1003},
    {2564, "RLow", "标定量程低", 1007},
    {2565, "RHigh", "标定量程高", 1007},
    {2566, "ST_A", "温度系数A", 17},
    {2567, "ST_B", "温度系数B", 17},
    {2568, "ST_C", "温度系数C", 17},
    {2569, "STC_a", "温度校准系数a", 1005},
    {2570, "STC_b", "温度校准系数b", 1005},
    {2576, "PCB_Ka", "PCB温度补偿系数a", 51},
    {2577, "PCB_Kb", "PCB温度补偿系数b", 51},
    {2578, "Sor_Ka", "芯体温度补偿系数a", 34},
    {2579, "Sor_Kb", "芯体温度补偿系数b", 34},
    {2580, "Adj_50C", "50度变温微调", 1004},
    {2581, "Adj_90C", "90度变温微调", 1004},
    {2582, "Adj_110C", "110度变温微调", 1004},
    {2583, "OilAir_50C", "油气差值50度", 1001},
    {2584, "OilAir_70C", "油气差值70度", 1001},
    {2585, "OilAir_90C", "油气差值90度", 1001},
    {2586, "OilAir_110C", "油气差值110度", 1001},
    {2587, "芯体批次", "芯体批次号(纯数字)", 1002},
    {2588, "Zero_50C", "50度标定零点电阻值", 1002},
    {2589, "Zero_70C", "70度标定零点电阻值", 1002},
    {2590, "Zero_90C", "90度标定零点电阻值", 1002},
    {2591, "Zero_110C", "110度标定零点电阻值", 1002},
    {2592, "70C_1%", "70度1%浓度电阻值", 1002},
    {2593, "7050_A", "50度变温方程系数A", 1002},
    {2594, "7050_B", "50度变温方程系数B", 1002},
    {2595, "7090_A", "90度变温方程系数A", 1002},
    {2596, "7090_B", "90度变温方程系数B", 1002},
    {2597, "70110_A", "110度变温方程系数A", 1002},
    {2598, "70110_B", "110度变温方程系数B", 1002},
    {2599, "DA", "氢气测量下限校准值", 1006},
    {2600, "DB", "氢气测量上限校准值", 1006},
    {2601, "", "20℃测温电阻值", 1008},
    {2602, "RefPrValue", "", 1009},
    {2603, "FilterValue", "", 1009},
    {2604, "OilType_Ka", "", 1010},
    {2605, "OilType_Kb", "", 1010},
    {2606, "AwAvg_Ka", "", 1011},
    {2607, "AwAvg_Kb", "", 1011},
    {2608, "DC", "氢气测量零点校准值", 1006},
};

// Named item codes the pages use.
namespace item {
inline constexpr std::uint16_t kDataDate = 2549;
inline constexpr std::uint16_t kSigner = 2550;
inline constexpr std::uint16_t kCoreBatch = 2587;
inline constexpr std::uint16_t kElementResistance20C = 2601;
inline constexpr std::uint16_t kRefPrValue = 2602;
inline constexpr std::uint16_t kFilterValue = 2603;
inline constexpr std::uint16_t kOilTypeKa = 2604;
inline constexpr std::uint16_t kOilTypeKb = 2605;
inline constexpr std::uint16_t kAwAvgKa = 2606;
inline constexpr std::uint16_t kAwAvgKb = 2607;
}  // namespace item

// The sensor acknowledges an item read with ten times its code in register 254.
constexpr std::uint16_t itemAck(std::uint16_t code) {
    return static_cast<std::uint16_t>(code * 10u);
}

constexpr const TextItem* findTextItem(std::uint16_t code) {
    for (const TextItem& t : kTextItems)
        if (t.code == code) return &t;
    return nullptr;
}

// Text writes (procedure C): the staged text20 block and the commit code written to 254.
struct TextWrite {
    std::uint16_t code;
    std::uint16_t firstRegister;
    std::string_view label;
    std::string_view description;
    int registerPauseMs;  // after each of the ten register writes
    bool signer;          // the signer's name: commit without the 10 ms lead, 10 ms after it
};

inline constexpr TextWrite kTextWrites[] = {
    {2571, reg::kTextWindow, "标定人员", "标定信息责任人", 10, true},
    {2572, reg::kProductModel, "产品型号", "出厂型号M开头", 100, false},
    {2573, reg::kProductNumber, "产品编号", "出厂编号D开头", 100, false},
    {2574, reg::kCoreNumber, "芯体编号", "芯体丝印编号", 100, false},
    {2575, reg::kBoardNumber, "PCB编号", "电路板条形码", 100, false},
};

namespace textcode {
inline constexpr std::uint16_t kSigner = 2571;
inline constexpr std::uint16_t kProductModel = 2572;
inline constexpr std::uint16_t kProductNumber = 2573;
inline constexpr std::uint16_t kCoreNumber = 2574;
inline constexpr std::uint16_t kBoardNumber = 2575;
}  // namespace textcode

constexpr const TextWrite* findTextWrite(std::uint16_t code) {
    for (const TextWrite& t : kTextWrites)
        if (t.code == code) return &t;
    return nullptr;
}

// Commit codes of register 253 (procedure A). Staged values are written in table order, each value's
// registers ascending; item is the text item the sensor renders the value into (0: none).
struct StagedValue {
    std::uint16_t firstRegister;
    Encoding encoding;
    std::string_view name;
    std::uint16_t item;
};

struct CommitCode {
    std::uint16_t code;
    std::uint16_t ack;
    std::span<const StagedValue> staged;
    int waitMs;                     // between the commit write and the read-back
    int leadWaitMs;                 // before waitMs (100 ms for the temperature points 68 and 85), else 0
    bool stopOnCommitWriteFailure;  // 68 and 85: a failed commit write ends the procedure
};

namespace detail {
using E = Encoding;
inline constexpr StagedValue kStaged17[] = {
    {19, E::S64x1e9, "ST_A", 2566}, {23, E::S64x1e9, "ST_B", 2567}, {27, E::S64x1e9, "ST_C", 2568}};
inline constexpr StagedValue kStaged34[] = {{19, E::S64x1e9, "Sor_Ka", 2578},
                                            {23, E::S64x1e9, "Sor_Kb", 2579}};
inline constexpr StagedValue kStaged51[] = {{19, E::S64x1e9, "PCB_Ka", 2576},
                                            {23, E::S64x1e9, "PCB_Kb", 2577}};
inline constexpr StagedValue kStagedTemperature[] = {{19, E::S64x1e9, "actual temperature", 0}};
inline constexpr StagedValue kStaged1001[] = {{19, E::S32x1e4, "OilAir_50C", 2583},
                                              {21, E::S32x1e4, "OilAir_70C", 2584},
                                              {23, E::S32x1e4, "OilAir_90C", 2585},
                                              {25, E::S32x1e4, "OilAir_110C", 2586}};
inline constexpr StagedValue kStaged1002[] = {
    {19, E::S32x1e4, "core batch", 2587}, {21, E::S32x1e4, "Zero_50C", 2588},
    {23, E::S32x1e4, "Zero_70C", 2589},   {25, E::S32x1e4, "Zero_90C", 2590},
    {27, E::S32x1e4, "Zero_110C", 2591},  {29, E::S32x1e4, "70C_1%", 2592},
    {179, E::S32x1e4, "7050_A", 2593},    {181, E::S32x1e4, "7050_B", 2594},
    {183, E::S32x1e4, "7090_A", 2595},    {185, E::S32x1e4, "7090_B", 2596},
    {187, E::S32x1e4, "70110_A", 2597},   {189, E::S32x1e4, "70110_B", 2598}};
inline constexpr StagedValue kStaged1003[] = {
    {83, E::BcdDate, "PD date", 2549}, {19, E::S64x1e9, "A1", 2552},  {23, E::S64x1e9, "B1", 2553},
    {27, E::S64x1e9, "C1", 2554},      {179, E::S64x1e9, "A2", 2556}, {183, E::S64x1e9, "B2", 2557},
    {187, E::S64x1e9, "C2", 2558},     {231, E::S64x1e9, "A3", 2560}, {235, E::S64x1e9, "B3", 2561},
    {239, E::S64x1e9, "C3", 2562},     {243, E::S32x1e3, "P0", 2551}, {245, E::S32x1e3, "P1", 2555},
    {247, E::S32x1e3, "P2", 2559},     {249, E::S32x1e3, "P3", 2563}};
inline constexpr StagedValue kStaged1004[] = {
    {19, E::S32x1e4, "Adj_50C", 2580}, {21, E::S32x1e4, "Adj_90C", 2581}, {23, E::S32x1e4, "Adj_110C", 2582}};
inline constexpr StagedValue kStaged1005[] = {{19, E::S64x1e9, "STC_a", 2569},
                                              {23, E::S64x1e9, "STC_b", 2570}};
inline constexpr StagedValue kStaged1006[] = {
    {19, E::S64x1e9, "DA", 2599}, {23, E::S64x1e9, "DB", 2600}, {27, E::S64x1e9, "DC", 2608}};
inline constexpr StagedValue kStaged1007[] = {{19, E::S64x1e9, "RLow", 2564},
                                              {23, E::S64x1e9, "RHigh", 2565}};
inline constexpr StagedValue kStaged1008[] = {{19, E::S64x1e9, "20C resistance", 2601}};
inline constexpr StagedValue kStaged1009[] = {{19, E::S64x1e9, "RefPrValue", 2602},
                                              {23, E::S64x1e9, "FilterValue", 2603}};
inline constexpr StagedValue kStaged1010[] = {{19, E::S64x1e9, "OilType_Ka", 2604},
                                              {23, E::S64x1e9, "OilType_Kb", 2605}};
inline constexpr StagedValue kStaged1011[] = {{19, E::S64x1e9, "AwAvg_Ka", 2606},
                                              {23, E::S64x1e9, "AwAvg_Kb", 2607}};
}  // namespace detail

inline constexpr CommitCode kCommitCodes[] = {
    {17, 153, detail::kStaged17, 1000, 0, false},
    {34, 136, detail::kStaged34, 1000, 0, false},
    {51, 119, detail::kStaged51, 1000, 0, false},
    {68, 102, detail::kStagedTemperature, 1000, 100, true},
    {85, 102, detail::kStagedTemperature, 1000, 100, true},
    {1001, 9001, detail::kStaged1001, 1000, 0, false},
    {1002, 9002, detail::kStaged1002, 1000, 0, false},
    // The import page waits 500 ms after 1003; the fitting dialog the table's 1000 ms.
    {1003, 9003, detail::kStaged1003, 1000, 0, false},
    {1004, 9004, detail::kStaged1004, 1000, 0, false},
    {1005, 9005, detail::kStaged1005, 1000, 0, false},
    {1006, 9006, detail::kStaged1006, 1000, 0, false},
    {1007, 9007, detail::kStaged1007, 1000, 0, false},
    {1008, 9008, detail::kStaged1008, 1000, 0, false},
    {1009, 9009, detail::kStaged1009, 1000, 0, false},
    {1010, 9010, detail::kStaged1010, 1000, 0, false},
    {1011, 9011, detail::kStaged1011, 1000, 0, false},
};

namespace commit {
inline constexpr std::uint16_t kTemperatureCoefficients = 17;
inline constexpr std::uint16_t kCoreCompensation = 34;
inline constexpr std::uint16_t kBoardCompensation = 51;
inline constexpr std::uint16_t kTemperaturePoint1 = 68;
inline constexpr std::uint16_t kTemperaturePoint2 = 85;
inline constexpr std::uint16_t kOilAir = 1001;
inline constexpr std::uint16_t kCoreData = 1002;
inline constexpr std::uint16_t kCalibrationEquation = 1003;
inline constexpr std::uint16_t kFineAdjustCoefficients = 1004;
inline constexpr std::uint16_t kTemperatureCalibration = 1005;
inline constexpr std::uint16_t kHydrogenCalibration = 1006;
inline constexpr std::uint16_t kCalibrationRange = 1007;
inline constexpr std::uint16_t kElementResistance = 1008;
inline constexpr std::uint16_t kPressure = 1009;
inline constexpr std::uint16_t kOilGas = 1010;
inline constexpr std::uint16_t kMoisture = 1011;
inline constexpr int kImportWait1003Ms = 500;  // the import page's shorter wait after 1003
}  // namespace commit

constexpr const CommitCode* findCommitCode(std::uint16_t code) {
    for (const CommitCode& c : kCommitCodes)
        if (c.code == code) return &c;
    return nullptr;
}

// Register 160 (procedure D). Commands are acknowledged by the command shifted left by four bits,
// kept to 16 bits.
constexpr std::uint16_t commandAck(std::uint16_t command) {
    return static_cast<std::uint16_t>(command << 4);
}

// Option groups: writing g x 256 selects group g; the register then reads its option bits in the
// low byte.
inline constexpr int kOptionGroups = 4;
constexpr std::uint16_t selectOptionGroup(int group) {
    return static_cast<std::uint16_t>(group * 256);
}

// One option: the command that sets the bit's first choice and the one that selects the second.
struct OptionCommand {
    int group;  // 1..4
    int bit;
    std::uint16_t ifSet;
    std::uint16_t ifClear;
};

// In the order the optional-functions save sends them.
inline constexpr OptionCommand kOptionCommands[] = {
    {1, 0, 0x0101, 0x0102}, {1, 1, 0x0103, 0x0104}, {1, 2, 0x0105, 0x0106}, {1, 3, 0x0107, 0x0108},
    {2, 0, 0x0201, 0x0202}, {2, 1, 0x0203, 0x0204}, {2, 2, 0x0205, 0x0206}, {3, 0, 0x0301, 0x0302},
    {3, 1, 0x0303, 0x0304}, {4, 0, 0x0401, 0x0402}, {4, 1, 0x0403, 0x0404}, {4, 2, 0x0405, 0x0406},
    {4, 3, 0x0407, 0x0408}, {4, 4, 0x0409, 0x0410},
};

// Switching on the pressure or moisture sensor reads back these when the hardware is not fitted.
struct NotFitted {
    std::uint16_t command;
    std::uint16_t readBack;
};
inline constexpr std::uint16_t kPressureSensorOn = 0x0101;  // waits 1000 ms before its read-back
inline constexpr std::uint16_t kMoistureSensorOn = 0x0201;
inline constexpr NotFitted kNotFitted[] = {{kPressureSensorOn, 0x1000}, {kMoistureSensorOn, 0x2000}};

constexpr std::optional<std::uint16_t> notFittedReadBack(std::uint16_t command) {
    for (const NotFitted& n : kNotFitted)
        if (n.command == command) return n.readBack;
    return std::nullopt;
}

// Run modes (register 160), as the production page lists them.
struct RunMode {
    std::uint16_t code;
    std::string_view label;
};
inline constexpr RunMode kRunModes[] = {
    {1, "用户模式"},       {2, "命令行调试"},      {3, "变温自校准"},     {4, "关闭加热"},
    {5, "预热50℃"},        {7, "标定模式70℃"},     {9, "预热90℃"},        {0x11, "预热110℃"},
    {0x20, "无线预热20℃"}, {0x30, "无线预热30℃"},  {0x40, "无线预热40℃"}, {0x60, "无线预热60℃"},
    {0x80, "无线预热80℃"}, {0x10, "无线预热100℃"},
};
namespace runmode {
inline constexpr std::uint16_t kUser = 1;
inline constexpr std::uint16_t kHeatingOff = 4;
inline constexpr std::uint16_t kLaboratory = 5;
}  // namespace runmode

constexpr bool isOptionCommand(std::uint16_t command) {
    for (const OptionCommand& o : kOptionCommands)
        if (o.ifSet == command || o.ifClear == command) return true;
    return false;
}
constexpr bool isRunMode(std::uint16_t command) {
    for (const RunMode& m : kRunModes)
        if (m.code == command) return true;
    return false;
}

// Fine adjustment (procedure E): write the reference ppm, wait, read the same register back.
struct FineAdjust {
    std::uint16_t address;
    int celsius;
};
inline constexpr FineAdjust kFineAdjust[] = {
    {reg::kFineAdjust50, 50}, {reg::kFineAdjust90, 90}, {reg::kFineAdjust110, 110}};
inline constexpr std::uint16_t kFineAdjustRefused = 404;
inline constexpr int kFineAdjustWaitMs = 1000;

}  // namespace talvex::sensor
