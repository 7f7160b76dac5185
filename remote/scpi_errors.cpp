// The standard texts of the SCPI and IEEE 488.2 error and event codes.
#include "remote/scpi_parser.h"

namespace scpi
{

const char *ErrorText(int code)
{
    switch (code) {
    case kNoError: return "No error";
    case kCommandError: return "Command error";
    case kInvalidCharacter: return "Invalid character";
    case kSyntaxError: return "Syntax error";
    case kInvalidSeparator: return "Invalid separator";
    case kDataTypeError: return "Data type error";
    case kParameterNotAllowed: return "Parameter not allowed";
    case kMissingParameter: return "Missing parameter";
    case kCommandHeaderError: return "Command header error";
    case kHeaderSeparatorError: return "Header separator error";
    case kMnemonicTooLong: return "Program mnemonic too long";
    case kUndefinedHeader: return "Undefined header";
    case kHeaderSuffixOutOfRange: return "Header suffix out of range";
    case kNumericDataError: return "Numeric data error";
    case kInvalidCharacterInNumber: return "Invalid character in number";
    case kExponentTooLarge: return "Exponent too large";
    case kTooManyDigits: return "Too many digits";
    case kNumericDataNotAllowed: return "Numeric data not allowed";
    case kSuffixError: return "Suffix error";
    case kInvalidSuffix: return "Invalid suffix";
    case kSuffixTooLong: return "Suffix too long";
    case kSuffixNotAllowed: return "Suffix not allowed";
    case kCharacterDataError: return "Character data error";
    case kInvalidCharacterData: return "Invalid character data";
    case kCharacterDataTooLong: return "Character data too long";
    case kCharacterDataNotAllowed: return "Character data not allowed";
    case kStringDataError: return "String data error";
    case kInvalidStringData: return "Invalid string data";
    case kStringDataNotAllowed: return "String data not allowed";
    case kBlockDataError: return "Block data error";
    case kInvalidBlockData: return "Invalid block data";
    case kBlockDataNotAllowed: return "Block data not allowed";
    case kExpressionError: return "Expression error";
    case kInvalidExpression: return "Invalid expression";
    case kExecutionError: return "Execution error";
    case kSettingsConflict: return "Settings conflict";
    case kDataOutOfRange: return "Data out of range";
    case kTooMuchData: return "Too much data";
    case kIllegalParameterValue: return "Illegal parameter value";
    case kHardwareMissing: return "Hardware missing";
    case kFileNameNotFound: return "File name not found";
    case kFileNameError: return "File name error";
    case kDeviceSpecificError: return "Device-specific error";
    case kSystemError: return "System error";
    case kSelfTestFailed: return "Self-test failed";
    case kQueueOverflow: return "Queue overflow";
    case kInputBufferOverrun: return "Input buffer overrun";
    case kQueryError: return "Query error";
    case kQueryInterrupted: return "Query INTERRUPTED";
    case kQueryUnterminated: return "Query UNTERMINATED";
    case kQueryDeadlocked: return "Query DEADLOCKED";
    case kPowerOn: return "Power on";
    case kUserRequest: return "User request";
    case kRequestControl: return "Request control";
    case kOperationComplete: return "Operation complete";
    default: return "Unknown error";
    }
}

} // namespace scpi
