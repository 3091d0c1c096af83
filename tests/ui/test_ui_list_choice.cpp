// A list runs its click handler once for each line the user chooses, with
// the mouse as a user's gestures come (buttons held down between press and
// release) or with the keyboard, and never for a line chosen from code.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QListWidget>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "ui/WindowParts.h"

namespace {

// A window with one list of ten lines, counting its handler's runs and the
// line current at each.
class ListWindow : public QWidget {
public:
    ListWindow() {
        list = new QListWidget(this);
        list->setGeometry(0, 0, 200, 300);
        for (int i = 0; i < 10; ++i) list->addItem(QString("line %1").arg(i));
        WindowParts::connectList(this, list, &ListWindow::list_Click);
        resize(200, 300);
        show();
    }
    void list_Click() { runs.push_back(list->currentRow()); }

    QListWidget* list = nullptr;
    std::vector<int> runs;
};

struct Gesture {
    const char* name;
    int startRow;  // the current line before the gesture
    std::function<void(QListWidget*)> perform;
    std::vector<int> runs;  // the current line at each run of the handler
};

QPoint centreOf(QListWidget* list, int row) { return list->visualItemRect(list->item(row)).center(); }

void drag(QListWidget* list, Qt::MouseButton button, int from, int to) {
    QTest::mousePress(list->viewport(), button, {}, centreOf(list, from));
    QTest::mouseMove(list->viewport(), centreOf(list, to));
    QTest::mouseRelease(list->viewport(), button, {}, centreOf(list, to));
}

void key(QListWidget* list, Qt::Key k) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &press);
}

class ListChoiceTest : public ::testing::TestWithParam<Gesture> {};

TEST_P(ListChoiceTest, RunsTheHandlerOnceForTheLineChosen) {
    const Gesture& g = GetParam();
    ListWindow w;
    WindowParts::quietly(w.list, [&g](QListWidget* l) { l->setCurrentRow(g.startRow); });
    ASSERT_TRUE(w.runs.empty());
    g.perform(w.list);
    EXPECT_EQ(w.runs, g.runs);
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, ListChoiceTest,
    ::testing::Values(
        Gesture{"ClickOnANewLine", 1,
                [](QListWidget* l) { QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, centreOf(l, 3)); }, {3}},
        Gesture{"ClickOnTheCurrentLine", 3,
                [](QListWidget* l) { QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, centreOf(l, 3)); }, {3}},
        Gesture{"PressOnOneLineReleaseOnAnother", 1, [](QListWidget* l) { drag(l, Qt::LeftButton, 3, 5); }, {5}},
        Gesture{"PressDraggedAwayAndBack", 1, [](QListWidget* l) {
                    QTest::mousePress(l->viewport(), Qt::LeftButton, {}, centreOf(l, 3));
                    QTest::mouseMove(l->viewport(), centreOf(l, 6));
                    QTest::mouseMove(l->viewport(), centreOf(l, 3));
                    QTest::mouseRelease(l->viewport(), Qt::LeftButton, {}, centreOf(l, 3));
                }, {3}},
        Gesture{"RightButtonOnANewLine", 1, [](QListWidget* l) { drag(l, Qt::RightButton, 4, 4); }, {4}},
        Gesture{"RightButtonOnTheCurrentLine", 4, [](QListWidget* l) { drag(l, Qt::RightButton, 4, 4); },
                std::vector<int>{}},
        Gesture{"DoubleClickOnANewLine", 1,
                [](QListWidget* l) { QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, centreOf(l, 2)); }, {2}},
        Gesture{"KeyDownThenUp", 1, [](QListWidget* l) {
                    key(l, Qt::Key_Down);
                    key(l, Qt::Key_Up);
                }, {2, 1}},
        Gesture{"KeyWhileTheButtonIsHeld", 1, [](QListWidget* l) {
                    QTest::mousePress(l->viewport(), Qt::LeftButton, {}, centreOf(l, 3));
                    key(l, Qt::Key_Down);
                    QTest::mouseRelease(l->viewport(), Qt::LeftButton, {}, centreOf(l, 4));
                }, {4}},
        Gesture{"LineSetFromCodeQuietly", 1,
                [](QListWidget* l) { WindowParts::quietly(l, [](QListWidget* q) { q->setCurrentRow(7); }); },
                std::vector<int>{}},
        Gesture{"ListEmptiedQuietly", 1, [](QListWidget* l) { WindowParts::clearQuietly(l); }, std::vector<int>{}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
