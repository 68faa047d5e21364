#pragma once
// Errors raised by the report model. Their texts come from the resource table, so the message a
// user sees is the one the rest of the engine quotes.

#include "platform/Exception.h"

// Any error of the report engine that is not a more specific one below.
class EReportError : public Exception {
public:
    using Exception::Exception;
};

// A component name that another component of the same report already bears.
class EDuplicateName : public EReportError {
public:
    EDuplicateName();
};

// A value a property does not accept (a blank dataset alias, a paper size that is not a number).
class EPropertyError : public EReportError {
public:
    EPropertyError();
    using EReportError::EReportError;
};
