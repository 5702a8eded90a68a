// The built-in function ReadData: a delimited data file into an array of
// structures, laid out by an optional format file.

#include "library/functions/BuiltinFunctions.h"
#include "library/datafiles/DataFiles.h"
#include "library/datafiles/DataFormat.h"
#include "library/functions/FunctionCall.h"

#include "value/Types.h"
#include "base/RunMessages.h"
#include "base/TextReader.h"

namespace vorlan::library {
namespace {

constexpr uint32_t kDatatypeOffset = 0;
constexpr uint32_t kDataFileOffset = 8;
constexpr uint32_t kFormatFileOffset = 16;
constexpr uint32_t kLogFileOffset = 24;

enum class AtFault { None, Data, Format, Log };

struct DataRead {
    char16_t dataName[kPathMax + 1];
    char16_t formatName[kPathMax + 1];
    char16_t logName[kPathMax + 1];
    bool hasFormat;
    bool hasLog;
    AtFault atFault = AtFault::None;
};

Status ReadDataFile(const compiler::TypeDescriptor& arrayType, DataRead& read, void* arrayCell) {
    FILE* log = OpenLogStream(read.hasLog ? read.logName : nullptr);
    if (!log) {
        read.atFault = AtFault::Log;
        return Status::Invalid;
    }
    const Owned<ReadSettings> settings(MakeReadSettings(*arrayType.baseType));
    Status status = settings ? Status::Success : Status::OutOfMemory;
    if (settings && read.hasFormat) {
        DataInput format;
        status = format.Open(read.formatName, log) ? ReadFormatFile(*format.reader, *settings) : Status::BadParam;
        if (status != Status::Success) read.atFault = AtFault::Format;
    }
    if (status == Status::Success) {
        DataInput data;
        status = data.Open(read.dataName, log) ? ReadRecords(*data.reader, *settings, arrayType, arrayCell)
                                                : Status::BadParam;
        if (status != Status::Success) read.atFault = AtFault::Data;
    }
    CloseLogStream(log);
    return status;
}

}  // namespace

Status ReadData(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    const compiler::TypeDescriptor* type = call.TypeArgument(kDatatypeOffset);
    if (!type || type->kind != compiler::TypeKind::Array || !type->baseType)
        return call.ResultError(Status::BadParam, true);
    const void* dataFile = call.Text(kDataFileOffset);
    if (!dataFile) return call.ResultError(Status::UsingNull, true);
    DataRead read;
    if (!PathFromText(dataFile, read.dataName)) return call.ResultError(Status::BadParam, true);
    const void* formatFile = call.Text(kFormatFileOffset);
    const void* logFile = call.Text(kLogFileOffset);
    read.hasFormat = formatFile != nullptr;
    read.hasLog = logFile != nullptr;
    if (read.hasFormat && !PathFromText(formatFile, read.formatName))
        return call.ResultError(Status::BadParam, true);
    if (read.hasLog && !PathFromText(logFile, read.logName)) return call.ResultError(Status::BadParam, true);

    void* array = nullptr;
    const Status status = ReadDataFile(*type, read, &array);
    if (status != Status::Success) {
        const char16_t* fault = read.atFault == AtFault::Data     ? read.dataName
                                : read.atFault == AtFault::Format ? read.formatName
                                : read.atFault == AtFault::Log    ? read.logName
                                                                  : RunNoteText(RunNote::SystemRoutineFailed);
        return call.ResultErrorNaming(status, fault);
    }
    FunctionCall::ClearArrayResult(result, type);
    runtime::StoreHandle(result, array);
    return Status::Success;
}

}  // namespace vorlan::library
