// The command line of crvt-tool: a command word, its operands and the options, which may
// stand anywhere on the line.
#pragma once

#include <QString>
#include <QStringList>

#include <variant>

namespace crvttool {

// The store's password the program opens "crvt.dat" with.
inline constexpr QStringView defaultPassword = u"qzv.lan/mt";

struct Invocation
{
    enum class Command { Help, Build, Install, Dump, Query };
    Command command = Command::Help;
    QStringList operands; // build: INPUT OUTPUT; install: INPUT; dump: STORE; query: STORE TEXT
    QString password = defaultPassword.toString();
};

struct UsageError
{
    QString message;
};

// `arguments` without the program name. "--help" anywhere wins over everything else;
// "--" ends the options, so that a query text may start with "-".
std::variant<Invocation, UsageError> parseCommandLine(const QStringList &arguments);

QString helpText();

} // namespace crvttool
