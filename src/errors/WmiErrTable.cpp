#include "errors/WmiErr.h"

#include <iterator>

namespace tarnwick::errors {
namespace {

// The WMI result codes and their descriptions. Codes without a row here (among
// them 0x8004104A-0x8004104F, 0x8004105E and 0x8004107B-0x8004107F) take the
// system's message.
// clang-format off
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
    {0x8004100B, u"One or more network packets were corrupted during a remote session."},
    {0x8004100C, u"The feature or operation is not supported."},
    {0x8004100D, u"The parent class specified is not valid."},
    {0x8004100E, u"The namespace specified could not be found."},
    {0x8004100F, u"The specified instance is not valid."},
    {0x80041010, u"The specified class is not valid."},
    {0x80041011, u"A provider referenced in the schema does not have a corresponding registration."},
    {0x80041012, u"A provider referenced in the schema has an incorrect or incomplete registration. This error may be caused by a missing pragma namespace command in the MOF file used to register the provider, resulting in the provider being registered in the wrong WMI namespace. This error may also be caused by a corrupt repository, which may be fixed by deleting it and recompiling the MOF files."},
    {0x80041013, u"COM cannot locate a provider referenced in the schema. This error may be caused by any of the following: The provider is using a WMI DLL that does not match the .lib file used when the provider was built. The provider's DLL or any of the DLLs on which it depends is corrupt. The provider failed to export DllRegisterServer. An in-process provider was not registered using /regsvr32. An out-of-process provider was not registered using /regserver."},
    {0x80041014, u"A component, such as a provider, failed to initialize for internal reasons."},
    {0x80041015, u"A networking error occurred, preventing normal operation."},
    {0x80041016, u"The requested operation is not valid. This error usually applies to invalid attempts to delete classes or properties."},
    {0x80041017, u"The query was not syntactically valid."},
    {0x80041018, u"The requested query language is not supported."},
    {0x80041019, u"In a put operation, the wbemChangeFlagCreateOnly flag was specified, but the instance already exists."},
    {0x8004101A, u"It is not possible to perform the add operation on this qualifier because the owning object does not permit overrides."},
    {0x8004101B, u"The user attempted to delete a qualifier that was not owned. The qualifier was inherited from a parent class."},
    {0x8004101C, u"The user attempted to delete a property that was not owned. The property was inherited from a parent class."},
    {0x8004101D, u"The client made an unexpected and illegal sequence of calls, such as calling EndEnumeration before calling BeginEnumeration."},
    {0x8004101E, u"The user requested an illegal operation, such as spawning a class from an instance."},
    {0x8004101F, u"There was an illegal attempt to specify a key qualifier on a property that cannot be a key. The keys are specified in the class definition for an object, and cannot be altered on a per-instance basis."},
    {0x80041020, u"The current object is not a valid class definition. Either it is incomplete, or it has not been registered with WMI using SWbemObject.Put_."},
    {0x80041021, u"Reserved for future use: WBEM_E_INVALID_SYNTAX"},
    {0x80041022, u"Reserved for future use: WBEM_E_NONDECORATED_OBJECT"},
    {0x80041023, u"The property that you are attempting to modify is read-only."},
    {0x80041024, u"The provider cannot perform the requested operation. This would include a query that is too complex, retrieving an instance, creating or updating a class, deleting a class, or enumerating a class."},
    {0x80041025, u"An attempt was made to make a change that would invalidate a subclass."},
    {0x80041026, u"An attempt has been made to delete or modify a class that has instances."},
    {0x80041027, u"Reserved for future use: WBEM_E_QUERY_NOT_IMPLEMENTED"},
    {0x80041028, u"A value of Nothing was specified for a property that may not be Nothing, such as one that is marked by a Key, Indexed, or Not_Null qualifier."},
    {0x80041029, u"A variant value for a qualifier was provided that is not a legal qualifier type."},
    {0x8004102A, u"The CIM type specified for a property is not valid."},
    {0x8004102B, u"The request was made with an out-of-range value, or is incompatible with the type."},
    {0x8004102C, u"An illegal attempt was made to make a class singleton, such as when the class is derived from a non-singleton class."},
    {0x8004102D, u"The CIM type specified is not valid."},
    {0x8004102E, u"The requested method is not available."},
    {0x8004102F, u"The parameters provided for the method are not valid."},
    {0x80041030, u"There was an attempt to get qualifiers on a system property."},
    {0x80041031, u"The property type is not recognized."},
    {0x80041032, u"An asynchronous process has been canceled internally or by the user. Note that due to the timing and nature of the asynchronous operation the operation may not have been truly canceled."},
    {0x80041033, u"The user has requested an operation while WMI is in the process of shutting down."},
    {0x80041034, u"An attempt was made to reuse an existing method name from a parent class, and the signatures did not match."},
    {0x80041035, u"One or more parameter values, such as a query text, is too complex or unsupported. WMI is therefore requested to retry the operation with simpler parameters."},
    {0x80041036, u"A parameter was missing from the method call."},
    {0x80041037, u"A method parameter has an ID qualifier that is not valid."},
    {0x80041038, u"One or more of the method parameters have ID qualifiers that are out of sequence."},
    {0x80041039, u"The return value for a method has an ID qualifier."},
    {0x8004103A, u"The specified object path was not valid."},
    {0x8004103B, u"Disk is out of space or the 4 GB limit on WMI repository (CIM repository) size is reached."},
    {0x8004103C, u"The supplied buffer was too small to hold all the objects in the enumerator or to read a string property."},
    {0x8004103D, u"The provider does not support the requested put operation."},
    {0x8004103E, u"An object with an incorrect type or version was encountered during marshaling."},
    {0x8004103F, u"A packet with an incorrect type or version was encountered during marshaling."},
    {0x80041040, u"The packet has an unsupported version."},
    {0x80041041, u"The packet appears to be corrupted."},
    {0x80041042, u"An attempt has been made to mismatch qualifiers, such as putting [key] on an object instead of a property."},
    {0x80041043, u"A duplicate parameter has been declared in a CIM method."},
    {0x80041044, u"Reserved for future use."},
    {0x80041045, u"A call to IWbemObjectSink::Indicate has failed. The provider may choose to refire the event."},
    {0x80041046, u"The specified flavor was not valid."},
    {0x80041047, u"An attempt has been made to create a reference that is circular (for example, deriving a class from itself)."},
    {0x80041048, u"The specified class is not supported."},
    {0x80041049, u"An attempt was made to change a key when instances or subclasses are already using the key."},
    {0x80041050, u"An attempt was made to change an index when instances or subclasses are already using the index."},
    {0x80041051, u"An attempt was made to create more properties than the current version of the class supports."},
    {0x80041052, u"A property was redefined with a conflicting type in a derived class."},
    {0x80041053, u"An attempt was made in a derived class to override a non-overrideable qualifier."},
    {0x80041054, u"A method was redeclared with a conflicting signature in a derived class."},
    {0x80041055, u"An attempt was made to execute a method not marked with [implemented] in any relevant class."},
    {0x80041056, u"An attempt was made to execute a method marked with [disabled]."},
    {0x80041057, u"The refresher is busy with another operation."},
    {0x80041058, u"The filtering query is syntactically not valid."},
    {0x80041059, u"The FROM clause of a filtering query references a class that is not an event class (not derived from __Event)."},
    {0x8004105A, u"A GROUP BY clause was used without the corresponding GROUP WITHIN clause."},
    {0x8004105B, u"A GROUP BY clause was used. Aggregation on all properties is not supported."},
    {0x8004105C, u"Dot notation was used on a property that is not an embedded object."},
    {0x8004105D, u"A GROUP BY clause references a property that is an embedded object without using dot notation."},
    {0x8004105F, u"An event provider registration query (__EventProviderRegistration) did not specify the classes for which events were provided."},
    {0x80041060, u"A request was made to back up or restore the repository while WMI was using it."},
    {0x80041061, u"The asynchronous delivery queue overflowed due to the event consumer being too slow."},
    {0x80041062, u"The operation failed because the client did not have the necessary security privilege."},
    {0x80041063, u"The operator is not valid for this property type."},
    {0x80041064, u"The user specified a username/password/authority on a local connection. The user must use a blank username/password and rely on default security."},
    {0x80041065, u"The class was made abstract when its parent class is not abstract."},
    {0x80041066, u"An amended object was put without the wbemFlagUseAmendedQualifiers flag being specified."},
    {0x80041067, u"Windows XP: The client was not retrieving objects quickly enough from an enumeration. This constant is returned when a client creates an enumeration object but does not retrieve objects from the enumerator in a timely fashion, causing the enumerator's object caches to get backed up."},
    {0x80041068, u"Windows XP: A null security descriptor was used."},
    {0x80041069, u"Windows XP: The operation timed out."},
    {0x8004106A, u"Windows XP: The association being used is not valid."},
    {0x8004106B, u"Windows XP: The operation was ambiguous."},
    {0x8004106C, u"Windows XP: WMI is taking up too much memory. This could be caused either by low memory availability or excessive memory consumption by WMI."},
    {0x8004106D, u"Windows XP: The operation resulted in a transaction conflict."},
    {0x8004106E, u"Windows XP: The transaction forced a rollback."},
    {0x8004106F, u"Windows XP: The locale used in the call is not supported."},
    {0x80041070, u"Windows XP: The object handle is out of date."},
    {0x80041071, u"Windows XP: Indicates that the connection to the SQL database failed."},
    {0x80041072, u"Windows XP: The handle request was not valid."},
    {0x80041073, u"Windows XP: The property name contains more than 255 characters."},
    {0x80041074, u"Windows XP: The class name contains more than 255 characters."},
    {0x80041075, u"Windows XP: The method name contains more than 255 characters."},
    {0x80041076, u"Windows XP: The qualifier name contains more than 255 characters."},
    {0x80041077, u"Windows XP: Indicates that an SQL command should be rerun because there is a deadlock in SQL. This can be returned only when data is being stored in an SQL database."},
    {0x80041078, u"Windows XP: The database version does not match the version that the repository driver processes."},
    {0x80041079, u"Windows XP: WMI cannot do the delete operation because the provider does not allow it."},
    {0x8004107A, u"Windows XP: WMI cannot do the put operation because the provider does not allow it."},
    {0x80041080, u"Windows XP: The specified locale identifier was not valid for the operation."},
    {0x80041081, u"Windows XP: The provider is suspended."},
    {0x80041082, u"Windows XP: The object must be committed and retrieved again before the requested operation can succeed. This constant is returned when an object must be committed and re-retrieved to see the property value."},
    {0x80041083, u"Windows XP: The operation cannot be completed because no schema is available."},
    {0x80041084, u"Windows XP: The provider registration cannot be done because the provider is already registered."},
    {0x80041085, u"Windows XP: The provider for the requested data is not registered."},
    {0x80041086, u"Windows XP: A fatal transport error occurred and other transport will not be attempted."},
    {0x80041087, u"Windows XP: The user attempted to set a computer name or domain without an encrypted connection."},
    {0x80042001, u"The provider registration overlaps with the system event domain."},
    {0x80042002, u"A WITHIN clause was not used in this query."},
    {0x80043001, u"Reserved for future use: WBEM_E_RETRY_LATER"},
    {0x80043002, u"Reserved for future use: WBEM_E_RESOURCE_CONTENTION"},
};
// clang-format on

constexpr bool StrictlyOrdered() {
    for (std::size_t i = 1; i < std::size(kTable); ++i)
        if (kTable[i - 1].Code >= kTable[i].Code) return false;
    return true;
}
// WmiErrorMessage looks rows up by binary search.
static_assert(std::size(kTable) == 127);
static_assert(StrictlyOrdered());

} // namespace

std::span<const TWmiErrorRow> WmiErrorTable() {
    return kTable;
}

} // namespace tarnwick::errors
