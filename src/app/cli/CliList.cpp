#include "app/cli/CliList.h"

#include "wmi/WmiConnection.h"

#include <ostream>

namespace tarnwick::app::cli {

bool IsListingName(const std::string& name) {
    return name == "accounts" || name == "disks" || name == "namespaces" || name == "classes";
}

void RunListing(const std::string& listing, const TRunInputs& inputs, std::ostream& out) {
    CheckRpcPort(inputs);
    wmi::TWmiConnection connection;
    ConfigureConnection(connection, inputs);
    connection.Open();

    std::vector<WideString> names;
    if (listing == "accounts")
        connection.Component().ListAccounts(names);
    else if (listing == "disks")
        connection.Component().ListLogicalDisks(names);
    else if (listing == "namespaces")
        connection.ListNameSpaces(names);
    else if (listing == "classes")
        connection.ListClasses(names);
    connection.Close();
    for (const WideString& name : names)
        out << ToUtf8(name) << '\n';
    out.flush();
}

} // namespace tarnwick::app::cli
