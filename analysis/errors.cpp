// Message table of the signal-processing library's status codes.
#include "analysis/errors.h"

#include <cstddef>

namespace
{

struct ErrorMessage {
    int code;
    const char *text;
};

// Every code occurs once. Texts are UTF-8.
constexpr ErrorMessage kMessages[] = {
    {0, "No error"},
    {1, "The matrix is rank deficient"},
    {-20001, "Insufficient memory"},
    {-20002, "Input sequences must be the same size"},
    {-20003, "Number of samples must be greater than zero"},
    {-20004, "Number of samples must be greater than or equal to zero"},
    {-20005, "Number of samples must be greater than or equal to one"},
    {-20006, "Number of samples must be greater than or equal to two"},
    {-20007, "Number of samples must be greater than or equal to three"},
    {-20008, "Array size error"},
    {-20009, "Array size is not a power of 2"},
    {-20010, "The maximum allowable transform size has been exceeded"},
    {-20011, "The duty cycle must meet:  0 \xC2\xB2 duty cycle \xC2\xB2 100"},
    {-20012, "Number of cycles must be greater than zero and less than or equal to the number of "
             "samples"},
    {-20013, "The width must meet:  0 < width < samples"},
    {-20014, "Delay width error"},
    {-20015, "dt must be greater than or equal to zero"},
    {-20016, "dt or dx must be greater than zero"},
    {-20017, "Index must be greater than zero and less than the number of samples"},
    {-20018, "Index length error"},
    {-20019, "Upper value must be greater than or equal to the lower value"},
    {-20020, "Nyquist error"},
    {-20021, "Order must be positive"},
    {-20022, "Invalid decimating factor"},
    {-20023, "Invalid band specification"},
    {-20024, "Ripple must be positive"},
    {-20025, "Attenuation must be positive"},
    {-20026, "The width must be greater than zero"},
    {-20027, "The final value must be greater than zero"},
    {-20028, "Attenuation must be greater than the ripple amplitude"},
    {-20029, "The step-size parameter \xC2\xB5 must meet: 0 \xC2\xB2 \xC2\xB5 \xC2\xB2 0.1"},
    {-20030, "The leakage coefficient, Leak, must meet:\t0 \xC2\xB2 Leak \xC2\xB2 \xC2\xB5"},
    {-20031, "Filter cannot be designed with given parameters"},
    {-20032, "The rank of the filter must meet:  1 \xC2\xB2 (2 rank +1)\t \xC2\xB2 size"},
    {-20033, "Number of coefficients must be odd"},
    {-20034, "Number of coefficients must be even"},
    {-20035, "The standard deviation is zero. The normalization is impossible"},
    {-20036, "Second array must be all positive or negative and nonzero"},
    {-20037, "Array size must be greater than the order"},
    {-20038, "The number of intervals must be greater than zero"},
    {-20039, "The specified matrix multiplication cannot be performed"},
    {-20040, "Input matrix must be a square matrix"},
    {-20041, "Input matrix is singular"},
    {-20042, "Number of levels is outside allowable range"},
    {-20043, "The level of factor is outside allowable range"},
    {-20044, "All the levels of a factor must have at least one observation"},
    {-20045, "Invalid total number of data points"},
    {-20046, "There is an overflow in the calculated F-value(ANOVA Fit)"},
    {-20047, "Data is unbalanced"},
    {-20048, "Fixed Effect model is required"},
    {-20049, "X values must be distinct"},
    {-20050, "Interpolating function has a pole at the requested value"},
    {-20051, "First column in the X matrix must be all ones"},
    {-20052, "Invalid degrees of freedom"},
    {-20053, "Probability must be between 0 and 1"},
    {-20054, "The probability must meet the condition:0 \xC2\xB2 p < 1"},
    {-20055, "Invalid number of categories or samples"},
    {-20056, "Contigency table has a negative number"},
    {-20057, "Invalid parameter to beta function"},
    {-20058, "Invalid number of dimensions or dependent variables"},
    {-20059, "Negative number"},
    {-20060, "Divide by zero"},
    {-20061, "Invalid selection"},
    {-20062, "Maximum iteration exceeded"},
    {-20063, "Invalid polynomial"},
    {-20064, "Internal memory state not initialized correctly"},
    {-20065, "The elements of the vector can not be all zero"},
    {-20066, "The information in IIR filter structure is not correct"},
    {-20067, "The input fundamental frequency or sampling rate is equal to zero"},
    {-20101, "Base must be less than top"},
    {-20102, "Shift range error"},
    {-20103, "Order must be greater than or equal to zero"},
    {-20104, "Not enough edges: the record holds no whole cycle"},
    {-20105, "The record holds no finite samples"},
    {-20106, "No fundamental: the spectrum holds no tone above DC"},
    {-20107, "The number of averages must be greater than zero"},
    {-20108, "The highest harmonic must be at least 2"},
    {-20109, "The number of divisions must be greater than zero"},
    {-20110, "The number of peaks must be greater than zero"},
    {-20999, "Internal analysis library error."},
};

static_assert(sizeof(kMessages) / sizeof(kMessages[0]) == 80, "one row per status code");

} // namespace

extern "C" const char *GetAnalysisErrorString(int status)
{
    for (const ErrorMessage &row : kMessages) {
        if (row.code == status)
            return row.text;
    }
    return "Unknown error number";
}
