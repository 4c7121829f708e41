#include "errors/WmiErr.h"

namespace tarnwick::errors {
namespace {

constexpr TWmiErrorRow kTable[] = {
    {0x80041001, u"The call failed."},
    {0x80041002, u"The object could not be found."},
    {0x80041003, u"The current user does not have permission to perform the action."},
    {0x80041004, u"The provider has failed at some time other than during initialization."},
    {0x80041005, u"A type mismatch occurred."},
    {0x80041006, u"There was not enough memory for the operation."},
    {0x80041007, u"The IWbemContext object is not valid."},
    {0x80041008, u"One of the parameters to the call is not correct."},
    {0x80041009, u"The resource, typically a remote server, is not currently available."},
    {0x8004100A, u"An internal, critical, and unexpected error occurred. Report this error to Microsoft Technical Support."},
    {0x8004100E, u"The namespace specified could not be found."},
    {0x80041010, u"The specified class is not valid."},
    {0x80041011, u"A provider referenced in the schema does not have a corresponding registration."},
    {0x80041017, u"The query was not syntactically valid."},
    {0x80041018, u"The requested query language is not supported."},
    {0x80041021, u"Reserved for future use: WBEM_E_INVALID_SYNTAX"},
    {0x80041022, u"Reserved for future use: WBEM_E_NONDECORATED_OBJECT"},
    {0x80041027, u"Reserved for future use: WBEM_E_QUERY_NOT_IMPLEMENTED"},
    {0x8004102E, u"The requested method is not available."},
    {0x80041044, u"Reserved for future use."},
    {0x80041064, u"The user specified a username/password/authority on a local connection. The user must use a blank username/password and rely on default security."},
    {0x80041069, u"Windows XP: The operation timed out."},
    {0x80041081, u"Windows XP: The provider is suspended."},
    {0x80041087, u"Windows XP: The user attempted to set a computer name or domain without an encrypted connection."},
    {0x80042001, u"The provider registration overlaps with the system event domain."},
    {0x80042002, u"A WITHIN clause was not used in this query."},
    {0x80043001, u"Reserved for future use: WBEM_E_RETRY_LATER"},
    {0x80043002, u"Reserved for future use: WBEM_E_RESOURCE_CONTENTION"},
};

} // namespace

std::span<const TWmiErrorRow> WmiErrorTable() { return kTable; }

} // namespace tarnwick::errors
