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
    enum class Command { Help, Build, Dump, Query, Recognize, Match };
    Command command = Command::Help;
    QStringList operands; // build: INPUT OUTPUT; dump: STORE; query, match: STORE TEXT;
                          // recognize: STORE IMAGE
    QString password = defaultPassword.toString();
    int top = 5; // recognize and match: the most rows printed
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
