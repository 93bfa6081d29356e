#include "commands/CommandTarget.h"

namespace vantrel {

const CommandTarget::CommandEntry* CommandTarget::findCommand(int id) const {
    for (const CommandEntry& e : m_commands)
        if (id >= e.first && id <= e.last)
            return &e;
    return nullptr;
}

const CommandTarget::UpdateEntry* CommandTarget::findUpdate(int id) const {
    for (const UpdateEntry& e : m_updates)
        if (id >= e.first && id <= e.last)
            return &e;
    return nullptr;
}

bool CommandTarget::executeCommand(int id) {
    const CommandEntry* e = findCommand(id);
    if (!e)
        return false;
    // Copy: the handler may change this target's tables or destroy the target.
    const Handler handler = e->handler;
    handler(id);
    return true;
}

bool CommandTarget::updateCommand(int id, CommandState& state) {
    const UpdateEntry* e = findUpdate(id);
    if (!e)
        return false;
    e->updater(id, state);
    return true;
}

void CommandTarget::onCommand(int id, std::function<void()> handler) {
    m_commands.push_back({id, id, [h = std::move(handler)](int) { h(); }});
}

void CommandTarget::onCommandRange(int first, int last, Handler handler) {
    m_commands.push_back({first, last, std::move(handler)});
}

void CommandTarget::onUpdate(int id, std::function<void(CommandState&)> updater) {
    m_updates.push_back({id, id, [u = std::move(updater)](int, CommandState& s) { u(s); }});
}

void CommandTarget::onUpdateRange(int first, int last, Updater updater) {
    m_updates.push_back({first, last, std::move(updater)});
}

CommandState CommandRouter::state(int id) const {
    const std::vector<CommandTarget*> chain = m_chain();
    for (CommandTarget* target : chain) {
        CommandState s;
        if (target && target->updateCommand(id, s))
            return s;
    }
    CommandState s;
    s.enabled = false;
    for (CommandTarget* target : chain)
        if (target && target->handlesCommand(id))
            s.enabled = true;
    return s;
}

bool CommandRouter::execute(int id) {
    if (!state(id).enabled)
        return false;
    for (CommandTarget* target : m_chain())
        if (target && target->executeCommand(id))
            return true;
    return false;
}

} // namespace vantrel
