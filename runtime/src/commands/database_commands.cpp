// The catalogue databases: the program folder, opening, selecting, the
// first record, searching and reading fields.
#include "command_call.hpp"
#include <gearhost/host.hpp>

namespace gr {

namespace {

gr_status programFolder(CommandCall& call) { return call.returnText(call.host.programFolder()); }

gr_status openDatabase(CommandCall& call)
{
    std::string_view path, alias;
    if (gr_status st = call.text(0, path)) return st;
    if (gr_status st = call.text(1, alias)) return st;
    // OpenDatabase answers false and keeps the reason for
    // LastDatabaseError: the program decides how to tell the user.
    std::string error = call.host.databases().open(path, alias);
    const bool opened = error.empty();
    call.host.setLastOpenError(std::move(error));
    return call.returnValue(boolValue(opened));
}

gr_status lastDatabaseError(CommandCall& call) { return call.returnText(call.host.lastOpenError()); }

gr_status databaseStateChanged(CommandCall& call)
{
    return call.returnValue(boolValue(call.host.databases().lastOpenChanged()));
}

gr_status selectDatabase(CommandCall& call)
{
    std::string_view alias;
    if (gr_status st = call.text(0, alias)) return st;
    return call.returnValue(boolValue(call.host.databases().select(alias)));
}

gr_status goFirst(CommandCall& call) { return call.returnValue(boolValue(call.host.databases().goFirst())); }

gr_status searchRecord(CommandCall& call)
{
    if (call.count() < 1 || call.arg(0).kind != GR_KIND_ROUTINE || call.arg(0).u.routine.fn == nullptr)
        return call.bad("需要一个条件子程序");
    const gr_routine_ref routine = call.arg(0).u.routine;
    gr_env* env = call.host.env();
    const db::SearchOutcome outcome = call.host.databases().search([&]() -> int {
        gr_value r{};
        if (routine.fn(env, routine.ctx, nullptr, 0, &r) != GR_OK) return -1;
        if (r.kind == GR_KIND_BOOL || r.kind == GR_KIND_INT) return r.u.i != 0 ? 1 : 0;
        return 0;
    });
    if (outcome == db::SearchOutcome::Aborted) return GR_ERR_ABORTED;
    return call.returnValue(boolValue(outcome == db::SearchOutcome::Found));
}

gr_status readField(CommandCall& call)
{
    std::string_view name;
    if (gr_status st = call.text(0, name)) return st;
    db::Expect expect = db::Expect::Any;
    if (call.given(1)) {
        if (call.arg(1).u.i == GR_KIND_TEXT) expect = db::Expect::Text;
        else if (call.arg(1).u.i == GR_KIND_DOUBLE) expect = db::Expect::Number;
    }
    db::ReadResult r = call.host.databases().readField(name, expect);
    if (r.status != GR_OK) return call.host.reportError(r.status, r.message);
    gr_value& out = call.result();
    switch (r.value.kind) {
    case GR_KIND_TEXT: return call.returnText(r.value.text);
    case GR_KIND_FLOAT: out.kind = GR_KIND_FLOAT; out.u.f = r.value.f; return GR_OK;
    case GR_KIND_DOUBLE: out.kind = GR_KIND_DOUBLE; out.u.d = r.value.d; return GR_OK;
    default: out.kind = r.value.kind; out.u.i = r.value.i; return GR_OK;
    }
}

const CoreCommand kCommands[] = {
    {GR_CMD_PROGRAM_FOLDER, "ProgramFolder", programFolder},
    {GR_CMD_OPEN_DATABASE, "OpenDatabase", openDatabase},
    {GR_CMD_LAST_DATABASE_ERROR, "LastDatabaseError", lastDatabaseError},
    {GR_CMD_DATABASE_STATE_CHANGED, "DatabaseStateChanged", databaseStateChanged},
    {GR_CMD_SELECT_DATABASE, "SelectDatabase", selectDatabase},
    {GR_CMD_GO_FIRST, "GoFirst", goFirst},
    {GR_CMD_SEARCH_RECORD, "SearchRecord", searchRecord},
    {GR_CMD_READ_FIELD, "ReadField", readField},
};

} // namespace

std::span<const CoreCommand> databaseCommands() { return kCommands; }

} // namespace gr
