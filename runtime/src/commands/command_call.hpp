// One call of a core command: its arguments and result, and the checks that
// every command makes of its arguments. A failed check is reported as the
// runtime error the program sees, and its status is returned.
#pragma once

#include <gearhost/model.hpp>
#include "values.hpp"

#include <gearrt/services.h>

#include <span>
#include <string>
#include <string_view>

namespace gr {

class Host;

class CommandCall {
public:
    CommandCall(Host& host, int32_t command, const char* name, const gr_value* args, int32_t nargs, gr_value* result)
        : host(host), command(command), name(name), args_(args), nargs_(nargs), result_(result)
    {
    }

    Host& host;
    const int32_t command;
    const char* const name; // the operation's name, for messages

    int32_t count() const { return nargs_; }
    // Whether argument `i` is present and not an omitted optional one.
    bool given(int32_t i) const { return i < nargs_ && args_[i].kind != GR_KIND_NONE; }
    const gr_value& arg(int32_t i) const { return args_[i]; }

    gr_status number(int32_t i, double& out);
    gr_status text(int32_t i, std::string_view& out);
    gr_status control(int32_t i, ControlState*& out);
    gr_status bad(std::string_view what);

    gr_status returnText(std::string_view text);
    gr_status returnValue(const gr_value& value)
    {
        *result_ = value;
        return GR_OK;
    }
    gr_value& result() { return *result_; }

private:
    const gr_value* args_;
    int32_t nargs_;
    gr_value* result_;
};

// A core command: its number in the service table, its name, its body.
struct CoreCommand {
    int32_t number;
    const char* name;
    gr_status (*run)(CommandCall& call);
};

// The commands, grouped by subject.
std::span<const CoreCommand> conversionCommands();
std::span<const CoreCommand> databaseCommands();
std::span<const CoreCommand> windowCommands();
std::span<const CoreCommand> printCommands();

// The command with `number`; null when there is none.
const CoreCommand* findCoreCommand(int32_t number);

} // namespace gr
