#include "ScriptedHost.h"
#include "commands/CommandIds.h"
#include "commands/CommandTarget.h"
#include "document/CVantrelDoc.h"

#include <QTest>

using namespace vantrel;

namespace {

// A link of the route whose table the test fills in, recording what ran on it.
class Target : public CommandTarget {
public:
    QList<int> ran;
    void handle(int id) {
        onCommand(id, [this, id] { ran.append(id); });
    }
    void handleRange(int first, int last) {
        onCommandRange(first, last, [this](int id) { ran.append(id); });
    }
    void decide(int id, bool enabled, std::optional<bool> checked = std::nullopt) {
        onUpdate(id, [enabled, checked](CommandState& s) {
            s.enabled = enabled;
            s.checked = checked;
        });
    }
};

} // namespace

class RoutingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstHandlerOnTheRouteWins() {
        Target view, doc, frame, main, app;
        doc.handle(cmd::EditUndo);
        app.handle(cmd::EditUndo);
        app.handle(cmd::FileNew);
        CommandRouter router([&] {
            return std::vector<CommandTarget*>{&view, &doc, &frame, &main, &app};
        });
        QVERIFY(router.execute(cmd::EditUndo));
        QCOMPARE(doc.ran, QList<int>{cmd::EditUndo});
        QVERIFY(app.ran.isEmpty());
        // Nobody before the application handles New, so it reaches the end of the route.
        QVERIFY(router.execute(cmd::FileNew));
        QCOMPARE(app.ran, QList<int>{cmd::FileNew});
    }

    void unhandledIdentifiersAreDisabledAndNeverRun() {
        Target main, app;
        app.handle(cmd::FileNew);
        CommandRouter router([&] { return std::vector<CommandTarget*>{&main, &app}; });
        for (int id : {cmd::RotateByAngle, cmd::HelpIndex, cmd::EditUndo}) {
            QVERIFY2(!router.state(id).enabled, qPrintable(QString::number(id)));
            QVERIFY(!router.execute(id));
        }
        QVERIFY(router.state(cmd::FileNew).enabled);
        QVERIFY(!router.state(cmd::FileNew).checked.has_value());
    }

    void updateHandlerDecidesAndBlocksExecution() {
        Target view, main;
        view.handle(cmd::ZoomOut);
        main.decide(cmd::ZoomOut, true);
        view.decide(cmd::ZoomOut, false); // earlier on the route, so it decides
        CommandRouter router([&] { return std::vector<CommandTarget*>{&view, &main}; });
        QVERIFY(!router.state(cmd::ZoomOut).enabled);
        QVERIFY(!router.execute(cmd::ZoomOut));
        QVERIFY(view.ran.isEmpty());

        // An update handler alone enables a command someone later on the route handles.
        Target a, b;
        a.decide(cmd::ToolPencil, true, true);
        b.handle(cmd::ToolPencil);
        CommandRouter second([&] { return std::vector<CommandTarget*>{&a, &b}; });
        const CommandState s = second.state(cmd::ToolPencil);
        QVERIFY(s.enabled);
        QCOMPARE(s.checked, std::optional<bool>(true));
        QVERIFY(second.execute(cmd::ToolPencil));
        QCOMPARE(b.ran, QList<int>{cmd::ToolPencil});
    }

    void rangesCoverEveryIdentifierInThem() {
        Target app;
        app.handleRange(cmd::FileMru1, cmd::FileMru9);
        CommandRouter router([&] { return std::vector<CommandTarget*>{&app}; });
        QVERIFY(router.execute(cmd::FileMru1));
        QVERIFY(router.execute(cmd::FileMru9));
        QVERIFY(!router.execute(cmd::FileMru9 + 1));
        QCOMPARE(app.ran, (QList<int>{cmd::FileMru1, cmd::FileMru9}));
    }

    void routeChangesWithTheActiveDocument() {
        // The chain is asked anew for every command: closing the document takes it off.
        ScriptedHost host;
        host.user.sizes.push_back(QSize(4, 4));
        auto doc = std::make_unique<CVantrelDoc>(host);
        QVERIFY(doc->onNewDocument());
        Target main;
        CommandRouter router([&] {
            std::vector<CommandTarget*> chain;
            if (doc)
                chain.push_back(doc.get());
            chain.push_back(&main);
            return chain;
        });
        QVERIFY(!router.state(cmd::EditUndo).enabled);
        QVERIFY(doc->takeUndoSnapshot());
        QVERIFY(router.state(cmd::EditUndo).enabled);
        QVERIFY(!router.state(cmd::EditRedo).enabled);
        QVERIFY(router.execute(cmd::EditUndo));
        QVERIFY(router.state(cmd::EditRedo).enabled);
        QVERIFY(router.state(cmd::FileSave).enabled);
        doc.reset();
        QVERIFY(!router.state(cmd::EditRedo).enabled);
        QVERIFY(!router.state(cmd::FileSave).enabled);
    }

    void handlerMayDestroyItsOwnTarget() {
        bool ran = false;
        struct SelfClosing : CommandTarget {
            SelfClosing(std::unique_ptr<SelfClosing>& owner, bool& ran) {
                onCommand(cmd::FileClose, [&owner, &ran] {
                    owner.reset();
                    ran = true;
                });
            }
        };
        std::unique_ptr<SelfClosing> closing;
        closing = std::make_unique<SelfClosing>(closing, ran);
        CommandRouter router([&] {
            std::vector<CommandTarget*> chain;
            if (closing)
                chain.push_back(closing.get());
            return chain;
        });
        QVERIFY(router.execute(cmd::FileClose));
        QVERIFY(ran);
        QVERIFY(!closing);
    }
};

QTEST_GUILESS_MAIN(RoutingTest)
#include "test_routing.moc"
