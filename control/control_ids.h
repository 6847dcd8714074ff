#pragma once

// Control identifiers of the main window. The event dispatch, the MIDI slots and the audio thread's
// direct reads all name controls by these numbers.
namespace vortane::id {

inline constexpr int kMidiDevice = 2;
inline constexpr int kAudioDevice = 3;
inline constexpr int kFrq = 4;
inline constexpr int kRes = 5;
inline constexpr int kDisplay = 8;
inline constexpr int kX1 = 9;
inline constexpr int kY1 = 10;
inline constexpr int kX2 = 11;
inline constexpr int kY2 = 12;
inline constexpr int kMasterVolume = 13;
inline constexpr int kCauchy = 28;
inline constexpr int kLogistic = 29;
inline constexpr int kUniform = 30;
inline constexpr int kArcSin = 31;
inline constexpr int kProbabilityWidth = 34;
inline constexpr int kPrimaryStepSize = 35;
inline constexpr int kPrimaryStepBarrier = 36;
inline constexpr int kSecondaryBarrier = 37;
inline constexpr int kX1StepSize = 38; // 38..41: X1, Y1, X2, Y2 primary step size
inline constexpr int kY1StepSize = 39;
inline constexpr int kX2StepSize = 40;
inline constexpr int kY2StepSize = 41;
inline constexpr int kX1Negative = 42; // 42..45: X1, Y1, X2, Y2 Negative
inline constexpr int kY1Negative = 43;
inline constexpr int kX2Negative = 44;
inline constexpr int kY2Negative = 45;
inline constexpr int kX1On = 46; // 46..49: walk switches of X1, Y1, X2, Y2
inline constexpr int kY1On = 47;
inline constexpr int kX2On = 48;
inline constexpr int kY2On = 49;
inline constexpr int kFrequencySetting = 50;
inline constexpr int kX1Max = 51;
inline constexpr int kX1Barrier = 61; // 61..64: barriers of X1, Y1, X2, Y2
inline constexpr int kY1Barrier = 62;
inline constexpr int kX2Barrier = 63;
inline constexpr int kY2Barrier = 64;
inline constexpr int kPlay = 69;
inline constexpr int kSMirror = 70;
inline constexpr int kSCentred = 71;
inline constexpr int kSRandom = 72;
inline constexpr int kSOnLimits = 73;
inline constexpr int kSOppLimits = 74;
inline constexpr int kSLoMirHiLo = 75;
inline constexpr int kPriW = 76;
inline constexpr int kPriR = 77;
inline constexpr int kPriC = 78;

// Identifiers are small; states are kept in an array indexed by them.
inline constexpr int kIdLimit = 80;

} // namespace vortane::id
