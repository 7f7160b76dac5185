// Status codes of the signal-processing library and their messages.
//
// Every routine of the library returns 0 on success and a negative code on
// failure; GetAnalysisErrorString turns a code into the text shown to the
// user in an "Error" message box.
#ifndef KORVAX_ANALYSIS_ERRORS_H
#define KORVAX_ANALYSIS_ERRORS_H

// Status-returning routines: the result must not be ignored in C++.
#if defined(__cplusplus) && __cplusplus >= 201703L
#define ANALYSIS_NODISCARD [[nodiscard]]
#elif defined(__GNUC__)
#define ANALYSIS_NODISCARD __attribute__((warn_unused_result))
#else
#define ANALYSIS_NODISCARD
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum AnalysisStatus {
    NoAnlysErr = 0,
    MatrixRankDeficientWarn = 1,
    OutOfMemAnlysErr = -20001,
    EqSamplesAnlysErr = -20002,
    SamplesGTZeroAnlysErr = -20003,
    SamplesGEZeroAnlysErr = -20004,
    SamplesGEOneAnlysErr = -20005,
    SamplesGETwoAnlysErr = -20006,
    SamplesGEThreeAnlysErr = -20007,
    ArraySizeAnlysErr = -20008,
    PowerOfTwoAnlysErr = -20009,
    MaxXformSizeAnlysErr = -20010,
    DutyCycleAnlysErr = -20011,
    CyclesAnlysErr = -20012,
    WidthLTSamplesAnlysErr = -20013,
    DelayWidthAnlysErr = -20014,
    DtGEZeroAnlysErr = -20015,
    DtGTZeroAnlysErr = -20016,
    IndexLTSamplesAnlysErr = -20017,
    IndexLengthAnlysErr = -20018,
    UpperGELowerAnlysErr = -20019,
    NyquistAnlysErr = -20020,
    OrderGTZeroAnlysErr = -20021,
    DecFactAnlysErr = -20022,
    BandSpecAnlysErr = -20023,
    RippleGTZeroAnlysErr = -20024,
    AttenGTZeroAnlysErr = -20025,
    WidthGTZeroAnlysErr = -20026,
    FinalGTZeroAnlysErr = -20027,
    AttenGTRippleAnlysErr = -20028,
    StepSizeAnlysErr = -20029,
    LeakAnlysErr = -20030,
    EqRplDesignAnlysErr = -20031,
    RankAnlysErr = -20032,
    EvenSizeAnlysErr = -20033,
    OddSizeAnlysErr = -20034,
    StdDevAnlysErr = -20035,
    MixedSignAnlysErr = -20036,
    SizeGTOrderAnlysErr = -20037,
    IntervalsGTZeroAnlysErr = -20038,
    MatrixMulAnlysErr = -20039,
    SquareMatrixAnlysErr = -20040,
    SingularMatrixAnlysErr = -20041,
    LevelsAnlysErr = -20042,
    FactorLevelAnlysErr = -20043,
    ObservationsAnlysErr = -20044,
    DataPointsAnlysErr = -20045,
    AnovaOverflowAnlysErr = -20046,
    BalanceAnlysErr = -20047,
    ModelAnlysErr = -20048,
    DistinctAnlysErr = -20049,
    PoleAnlysErr = -20050,
    ColumnAnlysErr = -20051,
    FreedomAnlysErr = -20052,
    ProbabilityAnlysErr = -20053,
    InvProbAnlysErr = -20054,
    CategoryAnlysErr = -20055,
    TableAnlysErr = -20056,
    BetaFuncAnlysErr = -20057,
    DimensionAnlysErr = -20058,
    NegNumAnlysErr = -20059,
    DivByZeroAnlysErr = -20060,
    InvSelectionAnlysErr = -20061,
    MaxIterAnlysErr = -20062,
    InvPolyAnlysErr = -20063,
    InitStateAnlysErr = -20064,
    ZeroVectorAnlysErr = -20065,
    IIRFilterInfoAnlysErr = -20066,
    FundFreqOrRateZeroAnlysErr = -20067,
    BaseGTTopAnlysErr = -20101,
    ShiftRangeAnlysErr = -20102,
    OrderGEZeroAnlysErr = -20103,
    NotEnoughEdgesAnlysErr = -20104,
    NoFiniteSamplesAnlysErr = -20105,
    NoFundamentalAnlysErr = -20106,
    AveragesGTZeroAnlysErr = -20107,
    HarmonicsAnlysErr = -20108,
    DivisionsGTZeroAnlysErr = -20109,
    PeaksGTZeroAnlysErr = -20110,
    InternalAnlysErr = -20999
};

// The message of a status code (UTF-8, constant, never freed), or
// "Unknown error number" for a code the library does not define.
const char *GetAnalysisErrorString(int status);

#ifdef __cplusplus
}
#endif

#endif
