#pragma once

#include <functional>
#include <optional>
#include <vector>

namespace vantrel {

// What an update handler decides about a command's menu item and button.
struct CommandState {
    bool enabled = true;
    std::optional<bool> checked; // unset: the command is not a check item
};

// One link of the command route. Each target keeps a table of the command identifiers it
// handles and of update handlers that enable or check them.
class CommandTarget {
public:
    using Handler = std::function<void(int id)>;
    using Updater = std::function<void(int id, CommandState& state)>;

    virtual ~CommandTarget() = default;

    bool handlesCommand(int id) const { return findCommand(id) != nullptr; }
    bool handlesUpdate(int id) const { return findUpdate(id) != nullptr; }
    // Runs the command handler for `id`; false when this target has none.
    bool executeCommand(int id);
    // Runs the update handler for `id`; false when this target has none.
    bool updateCommand(int id, CommandState& state);

    // Entries of the command table; for a number listed twice the first entry counts.
    void onCommand(int id, std::function<void()> handler);
    void onCommandRange(int first, int last, Handler handler);
    void onUpdate(int id, std::function<void(CommandState&)> updater);
    void onUpdateRange(int first, int last, Updater updater);

private:
    struct CommandEntry {
        int first;
        int last;
        Handler handler;
    };
    struct UpdateEntry {
        int first;
        int last;
        Updater updater;
    };
    const CommandEntry* findCommand(int id) const;
    const UpdateEntry* findUpdate(int id) const;

    std::vector<CommandEntry> m_commands;
    std::vector<UpdateEntry> m_updates;
};

// Routes commands along a chain of targets (view, document, child frame, main frame,
// application). The first target with an update handler decides a command's state; without
// one the command is enabled exactly when some target handles it. A command runs only while
// enabled, on the first target that handles it.
class CommandRouter {
public:
    using Chain = std::function<std::vector<CommandTarget*>()>;

    explicit CommandRouter(Chain chain) : m_chain(std::move(chain)) {}

    CommandState state(int id) const;
    bool execute(int id);

private:
    Chain m_chain;
};

} // namespace vantrel
