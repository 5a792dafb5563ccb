// The Qt back end with real widgets on the offscreen platform: templates
// become widgets where they belong, and what a person does to the widgets
// reaches the owner's handler as the headless back end delivers it.
#include "color_dll.h"
#include "plat_module.h"
#include "qt_ui.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using plat::Control_Kind;
using plat::Notify;

constexpr int id_apply = 1001;
constexpr int id_manual = 1005;
constexpr int id_colors = 1004;
constexpr int id_paper = 1002;
constexpr int id_edit = 1036;
constexpr int id_slider = 1034;
constexpr int id_bar = 1050;
constexpr int id_photo = 1037;
constexpr int id_speed = 1038;
constexpr int id_label = 1031;

const plat::Dialog_Control controls[] = {
    {plat::id_static, Control_Kind::group_box, "Print Color Conversion", 4, 4, 150, 100},
    {id_apply, Control_Kind::check_box, "Apply Color Conversion", 10, 14, 100, 10,
     plat::style_auto | plat::style_tab_stop},
    {id_manual, Control_Kind::check_box, "Convert all to black", 10, 26, 100, 10,
     plat::style_tab_stop},
    {id_colors, Control_Kind::combo_box, "", 10, 40, 80, 100,
     plat::style_drop_list | plat::style_owner_draw | plat::style_tab_stop},
    {id_photo, Control_Kind::radio_button, "Photo Quality Ink Set", 160, 14, 100, 10,
     plat::style_auto | plat::style_group},
    {id_speed, Control_Kind::radio_button, "High Speed Ink Set", 160, 26, 100, 10,
     plat::style_auto},
    {id_paper, Control_Kind::combo_box, "", 160, 40, 100, 80,
     plat::style_drop_list | plat::style_tab_stop | plat::style_group},
    {id_label, Control_Kind::label, "Quality Selection; Fast", 160, 60, 100, 8},
    {id_edit, Control_Kind::edit, "", 10, 70, 30, 12, plat::style_tab_stop},
    {id_slider, Control_Kind::slider, "", 50, 70, 100, 14, plat::style_ticks},
    {id_bar, Control_Kind::progress_bar, "", 10, 90, 100, 8},
    {plat::id_ok, Control_Kind::push_button, "OK", 160, 120, 40, 14, plat::style_default},
    {plat::id_cancel, Control_Kind::push_button, "Cancel", 210, 120, 40, 14},
};
const plat::Dialog_Template sample{101,     "VORNA Custom Properties", "Sans Serif", 9, 263, 140,
                                   controls};

constexpr plat::Color_Ref swatch_colors[] = {0x0000FF, 0x00FF00, 0xFF0000};

struct Handler : plat::Dialog_Handler {
    void on_init(plat::Dialog& d) override {
        dialog = &d;
        for (const char* s : {"Plain Paper", "Coated Paper", "Tracing Paper"})
            d.combo_add(id_paper, s);
        d.combo_select(id_paper, 0);
        for (int i = 0; i < 3; ++i) {
            d.combo_add(id_colors, "colour " + std::to_string(i));
            d.combo_set_data(id_colors, i, swatch_colors[i]);
        }
        d.combo_select(id_colors, 1);
        d.slider_set_range(id_slider, -50, 50);
        d.slider_set_position(id_slider, 0);
        d.set_text_limit(id_edit, 3);
        d.progress_set_position(id_bar, 30);
    }
    void on_command(plat::Dialog& d, int id, Notify code) override {
        if (code == Notify::set_focus || code == Notify::kill_focus) {
            focus.push_back((code == Notify::set_focus ? "+" : "-") + std::to_string(id));
            return;
        }
        std::string entry = std::to_string(id) + " " + std::to_string(static_cast<int>(code));
        if (d.combo_count(id) >= 0)
            entry += " sel=" + std::to_string(d.combo_selection(id));
        if (id == id_slider)
            entry += " pos=" + std::to_string(d.slider_position(id));
        log.push_back(entry);
        // The owner decides the state of a box that is not automatic.
        if (id == id_manual && code == Notify::clicked)
            d.set_check(id_manual, d.check(id_manual) ? plat::unchecked : plat::checked);
        // Text beyond 50 is bounded in place, as an owner validating typing does.
        if (id == id_edit && code == Notify::edit_update) {
            const std::string t = d.text(id_edit);
            if (!t.empty() && std::stoi(t) > 50) {
                d.set_text(id_edit, "50");
                d.set_edit_selection(id_edit, -1, -1);
            }
        }
    }
    void on_owner_draw(plat::Dialog&, const plat::Owner_Draw_Item& item,
                       plat::Draw_Context& dc) override {
        drawn.push_back(item);
        const plat::Rect& r = item.rect;
        dc.fill_rect(r, dc.system_color(plat::System_Color::window));
        if (item.item >= 0)
            dc.fill_rect({r.left + 2, r.top + 2, r.left + r.height() - 2, r.bottom - 2},
                         static_cast<plat::Color_Ref>(item.item_data));
    }
    bool on_ok(plat::Dialog&) override {
        log.push_back("ok");
        return allow_ok;
    }
    bool on_cancel(plat::Dialog&) override {
        log.push_back("cancel");
        return true;
    }
    void on_timer(plat::Dialog& d, int timer) override {
        ++ticks;
        if (ticks == 3)
            d.kill_timer(timer);
    }
    bool on_help(plat::Dialog&, const plat::Help_Info& info) override {
        log.push_back("help " + std::to_string(info.control_id));
        return true;
    }

    plat::Dialog* dialog = nullptr;
    std::vector<std::string> log;
    std::vector<std::string> focus; // "+id" gained, "-id" lost
    std::vector<plat::Owner_Draw_Item> drawn;
    bool allow_ok = true;
    int ticks = 0;
};

std::string entry(int id, Notify code, const std::string& rest = {}) {
    return std::to_string(id) + " " + std::to_string(static_cast<int>(code)) + rest;
}

// Runs `action` once a modal window is up, then lets the caller's exec go on.
// Fails the test if none comes within five seconds.
void when_shown(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    auto started = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, started, action] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            // Keys and focus go to the active window only.
            w->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(w, 2000));
            action(w);
            // A window the action failed to close must not hang the tests.
            QPointer<QWidget> still(w);
            QTimer::singleShot(5000, [still] {
                if (still && still->isVisible()) {
                    ADD_FAILURE() << "the window stayed open";
                    still->close();
                }
            });
        } else if (++*started > 500) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal window appeared";
            if (w)
                w->close();
        }
    });
    timer->start(10);
}

template <class T> T* child(QWidget* dialog, int id) {
    return dialog->findChild<T*>(QStringLiteral("control_%1").arg(id));
}

class Qt_Environment : public ::testing::Environment {
public:
    void SetUp() override { session = std::make_unique<plat_qt::Qt_Session>(); }
    void TearDown() override { session.reset(); }
    std::unique_ptr<plat_qt::Qt_Session> session;
};

} // namespace

TEST(QtDialog, ControlsSitWhereTheTemplateSays) {
    Handler h;
    when_shown([](QWidget* w) {
        EXPECT_EQ(w->objectName(), "dialog_101");
        EXPECT_EQ(w->windowTitle(), "VORNA Custom Properties");
        const auto size = plat_qt::dialog_units_to_pixels(sample, 0, 0, sample.cx, sample.cy);
        EXPECT_EQ(w->width(), size.width);
        EXPECT_EQ(w->height(), size.height);
        auto* edit = child<QLineEdit>(w, id_edit);
        ASSERT_NE(edit, nullptr);
        const auto r = plat_qt::dialog_units_to_pixels(sample, 10, 70, 30, 12);
        EXPECT_EQ(edit->geometry(), QRect(r.x, r.y, r.width, r.height));
        EXPECT_GT(r.width, 30); // units are not pixels
        auto* paper = child<QComboBox>(w, id_paper);
        ASSERT_NE(paper, nullptr);
        EXPECT_EQ(paper->count(), 3);
        EXPECT_EQ(paper->currentText(), "Plain Paper");
        EXPECT_EQ(child<QLabel>(w, id_label)->text(), "Quality Selection; Fast");
        EXPECT_EQ(child<QSlider>(w, id_slider)->minimum(), -50);
        EXPECT_EQ(child<QProgressBar>(w, id_bar)->value(), 30);
        EXPECT_TRUE(child<QPushButton>(w, plat::id_ok)->isDefault());
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_EQ(plat::run_dialog(sample, h, nullptr), plat::id_cancel);
    EXPECT_EQ(h.log, (std::vector<std::string>{"cancel"}));
}

TEST(QtDialog, ClicksOnBoxesAndButtonsReachTheHandler) {
    Handler h;
    when_shown([&](QWidget* w) {
        QTest::mouseClick(child<QCheckBox>(w, id_apply), Qt::LeftButton);
        EXPECT_EQ(h.dialog->check(id_apply), plat::checked);
        EXPECT_TRUE(child<QCheckBox>(w, id_apply)->isChecked());

        // Not automatic: the owner turned it on, and a second click off again.
        QTest::mouseClick(child<QCheckBox>(w, id_manual), Qt::LeftButton);
        EXPECT_TRUE(child<QCheckBox>(w, id_manual)->isChecked());
        h.dialog->set_check(id_manual, plat::unchecked);
        EXPECT_FALSE(child<QCheckBox>(w, id_manual)->isChecked());

        // Radio buttons keep their template group, not Qt's.
        QTest::mouseClick(child<QRadioButton>(w, id_photo), Qt::LeftButton);
        QTest::mouseClick(child<QRadioButton>(w, id_speed), Qt::LeftButton);
        EXPECT_FALSE(child<QRadioButton>(w, id_photo)->isChecked());
        EXPECT_TRUE(child<QRadioButton>(w, id_speed)->isChecked());
        EXPECT_EQ(h.dialog->check(id_photo), plat::unchecked);

        // Owner changes show at once; disabled controls take no clicks.
        h.dialog->enable(id_apply, false);
        EXPECT_FALSE(child<QCheckBox>(w, id_apply)->isEnabled());
        QTest::mouseClick(child<QCheckBox>(w, id_apply), Qt::LeftButton);
        EXPECT_EQ(h.dialog->check(id_apply), plat::checked);
        h.dialog->set_text(id_label, "Quality Selection; High");
        EXPECT_EQ(child<QLabel>(w, id_label)->text(), "Quality Selection; High");

        h.allow_ok = false;
        QTest::mouseClick(child<QPushButton>(w, plat::id_ok), Qt::LeftButton);
        EXPECT_TRUE(w->isVisible());
        h.allow_ok = true;
        QTest::mouseClick(child<QPushButton>(w, plat::id_ok), Qt::LeftButton);
    });
    EXPECT_EQ(plat::run_dialog(sample, h, nullptr), plat::id_ok);
    EXPECT_EQ(h.log, (std::vector<std::string>{entry(id_apply, Notify::clicked),
                                               entry(id_manual, Notify::clicked),
                                               entry(id_photo, Notify::clicked),
                                               entry(id_speed, Notify::clicked), "ok", "ok"}));
}

TEST(QtDialog, ListsNotifySelectionAndCloseUpWithTheChoiceMade) {
    Handler h;
    when_shown([&](QWidget* w) {
        auto* paper = child<QComboBox>(w, id_paper);
        paper->setFocus();
        QTest::keyClick(paper, Qt::Key_Down); // on a closed list: selection only
        EXPECT_EQ(h.dialog->combo_selection(id_paper), 1);
        paper->showPopup();
        EXPECT_TRUE(h.dialog->combo_dropped(id_paper));
        // A click into the open list: the view's item is chosen, the list closes.
        QAbstractItemView* view = paper->view();
        const QRect item = view->visualRect(view->model()->index(2, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
        QTest::qWait(50);
        EXPECT_EQ(paper->currentIndex(), 2);
        EXPECT_FALSE(h.dialog->combo_dropped(id_paper));
        // Owner changes to the list show in the widget.
        h.dialog->combo_insert(id_paper, 0, "Film");
        EXPECT_EQ(paper->count(), 4);
        EXPECT_EQ(paper->currentText(), "Tracing Paper");
        w->close(); // the close box: Cancel
    });
    EXPECT_EQ(plat::run_dialog(sample, h, nullptr), plat::id_cancel);
    ASSERT_GE(h.log.size(), 5u);
    EXPECT_EQ(h.log[0], entry(id_paper, Notify::selection_changed, " sel=1"));
    EXPECT_EQ(h.log[1], entry(id_paper, Notify::drop_down, " sel=1"));
    EXPECT_EQ(h.log[2], entry(id_paper, Notify::selection_changed, " sel=2"));
    EXPECT_EQ(h.log[3], entry(id_paper, Notify::close_up, " sel=2"));
    EXPECT_EQ(h.log.back(), "cancel");
}

TEST(QtDialog, PickingTheSelectedItemAgainIsAChoice) {
    Handler h;
    when_shown([&](QWidget* w) {
        auto* paper = child<QComboBox>(w, id_paper);
        paper->showPopup();
        QAbstractItemView* view = paper->view();
        const QRect item = view->visualRect(view->model()->index(0, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
        QTest::qWait(50);
        EXPECT_FALSE(h.dialog->combo_dropped(id_paper));
        QTest::keyClick(w, Qt::Key_Escape);
    });
    plat::run_dialog(sample, h, nullptr);
    EXPECT_EQ(h.log,
              (std::vector<std::string>{entry(id_paper, Notify::drop_down, " sel=0"),
                                        entry(id_paper, Notify::selection_changed, " sel=0"),
                                        entry(id_paper, Notify::close_up, " sel=0"), "cancel"}));
}

TEST(QtDialog, SlidersNotifyWhileDraggedAndWhenLetGo) {
    Handler h;
    when_shown([&](QWidget* w) {
        auto* slider = child<QSlider>(w, id_slider);
        slider->setSliderDown(true);
        slider->setSliderPosition(10);
        slider->setSliderPosition(20);
        slider->setSliderDown(false);
        EXPECT_EQ(h.dialog->slider_position(id_slider), 20);
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Right);
        EXPECT_EQ(h.dialog->slider_position(id_slider), 21);
        // The owner's move shows without notifying.
        h.dialog->slider_set_position(id_slider, -40);
        EXPECT_EQ(slider->value(), -40);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    plat::run_dialog(sample, h, nullptr);
    EXPECT_EQ(h.log, (std::vector<std::string>{entry(id_slider, Notify::custom_draw, " pos=10"),
                                               entry(id_slider, Notify::custom_draw, " pos=20"),
                                               entry(id_slider, Notify::slider_released, " pos=20"),
                                               entry(id_slider, Notify::custom_draw, " pos=21"),
                                               entry(id_slider, Notify::slider_released, " pos=21"),
                                               "cancel"}));
}

TEST(QtDialog, TypingIsLimitedAndBoundedByTheOwner) {
    Handler h;
    when_shown([&](QWidget* w) {
        auto* edit = child<QLineEdit>(w, id_edit);
        edit->setFocus();
        QTest::keyClicks(edit, "4");
        EXPECT_EQ(h.dialog->text(id_edit), "4");
        QTest::keyClicks(edit, "9");
        EXPECT_EQ(edit->text(), "49");
        QTest::keyClicks(edit, "9"); // 499 is bounded to 50 in place
        EXPECT_EQ(edit->text(), "50");
        EXPECT_EQ(edit->cursorPosition(), 2);
        edit->selectAll();
        QTest::keyClicks(edit, "0012"); // at most three characters
        EXPECT_EQ(h.dialog->text(id_edit), "001");
        EXPECT_EQ(edit->text(), "001");
        QTest::keyClick(w, Qt::Key_F1);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    plat::run_dialog(sample, h, nullptr);
    ASSERT_GE(h.log.size(), 4u);
    EXPECT_EQ(h.log[0], entry(id_edit, Notify::edit_update));
    EXPECT_EQ(h.log[1], entry(id_edit, Notify::edit_change));
    EXPECT_EQ(h.log[h.log.size() - 2], "help 1036");
    // The focus went from the first tab stop to the edit.
    EXPECT_EQ(h.focus, (std::vector<std::string>{"-1001", "+1036"}));
}

TEST(QtDialog, OwnerDrawnItemsArePaintedByTheHandler) {
    Handler h;
    when_shown([&](QWidget* w) {
        auto* colors = child<QComboBox>(w, id_colors);
        h.drawn.clear();
        const QImage closed = colors->grab().toImage();
        ASSERT_FALSE(h.drawn.empty());
        EXPECT_EQ(h.drawn.back().item, 1);
        EXPECT_TRUE(h.drawn.back().state & plat::ods_combo_edit);
        EXPECT_EQ(h.drawn.back().item_data, 0x00FF00);
        // The swatch of the selected item shows its colour.
        const plat::Rect r = h.drawn.back().rect;
        const QPoint swatch((r.left + r.left + r.height()) / 2, (r.top + r.bottom) / 2);
        EXPECT_EQ(closed.pixelColor(swatch), QColor(0, 255, 0));

        h.drawn.clear();
        colors->showPopup();
        colors->view()->grab();
        std::vector<int> items;
        for (const auto& d : h.drawn)
            if (!(d.state & plat::ods_combo_edit))
                items.push_back(d.item);
        EXPECT_NE(std::find(items.begin(), items.end(), 0), items.end());
        EXPECT_NE(std::find(items.begin(), items.end(), 2), items.end());
        colors->hidePopup();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    plat::run_dialog(sample, h, nullptr);
}

TEST(QtDialog, ModelessDialogsShowUntilDestroyed) {
    Handler h;
    plat::Dialog* d = plat::create_dialog(sample, h, nullptr);
    ASSERT_NE(d, nullptr);
    QWidget* w = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "dialog_101" && top->isVisible())
            w = top;
    ASSERT_NE(w, nullptr);
    d->progress_set_position(id_bar, 80);
    EXPECT_EQ(child<QProgressBar>(w, id_bar)->value(), 80);
    // Timers tick until the owner kills them.
    d->set_timer(7, 5);
    QTest::qWait(200);
    EXPECT_EQ(h.ticks, 3);
    plat::destroy_dialog(d);
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->objectName() == "dialog_101" && top->isVisible());
}

TEST(QtServices, MessageBoxesAnswerTheButtonPressed) {
    when_shown([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Custom Properties Error");
        EXPECT_EQ(box->text(), "You cannot import this kind of file.");
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(plat::message_box(nullptr, "You cannot import this kind of file.",
                                "Custom Properties Error", plat::mb_yes_no | plat::mb_icon_error),
              plat::id_no);
    when_shown([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(plat::message_box(nullptr, "t", "c", plat::mb_ok_cancel), plat::id_cancel);
    when_shown([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); });
    EXPECT_EQ(plat::message_box(nullptr, "t", "c", plat::mb_retry_cancel), plat::id_retry);
}

TEST(QtServices, FileDialogsAnswerThePathChosen) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vorna_qt_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "vornatv.px_") << "x";

    plat::File_Dialog_Request open;
    open.title = "Select Advanced Definitions File to Import";
    open.initial_dir = "c:\\";
    open.initial_name = "*.px_";
    open.default_ext = "px_";
    open.filters = {{"Advanced Definitions (vornatv.px_)", "*.px_"}};
    open.options = plat::ofn_file_must_exist | plat::ofn_hide_read_only;
    when_shown([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        EXPECT_EQ(fd->windowTitle(), "Select Advanced Definitions File to Import");
        EXPECT_EQ(fd->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(fd->nameFilters().size(), 1);
        // A folder of another system opens the person's home; the dates show whole.
        EXPECT_EQ(fd->directory().absolutePath(), QDir::homePath());
        EXPECT_EQ(fd->viewMode(), QFileDialog::Detail);
        EXPECT_LE(fd->width(), 1280);
        auto* tree = fd->findChild<QTreeView*>("treeView");
        ASSERT_NE(tree, nullptr);
        const int date = tree->header()->count() - 1;
        QTest::qWait(100); // the folder is listed in the background
        QHeaderView* header = tree->header();
        EXPECT_GE(header->sectionSize(date),
                  std::max(header->sectionSizeHint(date),
                           static_cast<QAbstractItemView*>(tree)->sizeHintForColumn(date)));
        EXPECT_LE(header->sectionViewportPosition(date) + header->sectionSize(date),
                  tree->viewport()->width());
        // Typed, as a person would: the folder's listing may not be read yet.
        auto* name = fd->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString((dir / "vornatv.px_").string()));
        QTest::keyClick(name, Qt::Key_Return);
    });
    EXPECT_EQ(plat::file_dialog(nullptr, open), (dir / "vornatv.px_").string());

    plat::File_Dialog_Request save;
    save.save = true;
    save.title = "Select Folder";
    save.initial_dir = dir.string();
    save.initial_name = "vornatv.px_";
    save.default_ext = "px_";
    when_shown([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        EXPECT_EQ(fd->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(fd->testOption(QFileDialog::DontConfirmOverwrite));
        fd->reject();
    });
    EXPECT_EQ(plat::file_dialog(nullptr, save), std::nullopt);
    std::filesystem::remove_all(dir);
}

TEST(QtServices, HelpWithoutAPageSaysWhichFileAndTopic) {
    QString shown;
    when_shown([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        shown = box->text();
        box->accept();
    });
    EXPECT_EQ(
        _DoHelp(nullptr, "drv_no_such_help.HLP", "Custom Properties setting", plat::help_topic), 1);
    EXPECT_TRUE(shown.contains("drv_no_such_help.HLP"));
    EXPECT_TRUE(shown.contains("Custom Properties setting"));
}

TEST(QtServices, HelpOpensThePageAtTheTopicInAWindow) {
    QString title, text;
    when_shown([&](QWidget* w) {
        EXPECT_EQ(w->objectName(), QStringLiteral("help_window"));
        title = w->windowTitle();
        auto* browser = w->findChild<QTextBrowser*>(QStringLiteral("help_text"));
        ASSERT_NE(browser, nullptr);
        text = browser->toPlainText();
        w->close();
    });
    EXPECT_EQ(_DoHelp(nullptr, "drv_vorna_tarv_ge.HLP", "Papiereinrichtung", plat::help_topic), 1);
    EXPECT_EQ(title, QStringLiteral("Papiereinrichtung"));
    EXPECT_TRUE(text.contains(QStringLiteral("Walzenabstand"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Bidirektionaler Druck"))) << text.toStdString();
}

TEST(QtServices, ColourPickerRunsInRealWindows) {
    plat::Library lib = plat::load_library(COLOR_DLL_PATH);
    ASSERT_NE(lib, nullptr) << plat::library_error();
    auto do_dialog =
        reinterpret_cast<Do_Color_Dialog>(plat::find_symbol(lib, do_color_dialog_name));
    ASSERT_NE(do_dialog, nullptr);
    when_shown([](QWidget* w) {
        EXPECT_EQ(w->objectName(), QStringLiteral("dialog_%1").arg(color_dialog_id));
        auto* list = child<QComboBox>(w, color_id_list);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->count(), 256);
        EXPECT_EQ(list->currentIndex(), 11);
        auto* index = child<QLineEdit>(w, color_id_index);
        index->selectAll();
        QTest::keyClicks(index, "42");
        EXPECT_EQ(list->currentIndex(), 42);
        EXPECT_EQ(child<QSlider>(w, color_id_slider)->value(), 42);
        QTest::mouseClick(child<QPushButton>(w, plat::id_ok), Qt::LeftButton);
    });
    EXPECT_EQ(do_dialog(nullptr, 11, 256, 0, 0), 42);
    plat::free_library(lib);
}

TEST(QtServices, DisplayIsFoundFromTheEnvironment) {
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    };
    std::vector<Saved> saved;
    for (const char* n : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(n);
        saved.push_back({n, v ? v : "", v != nullptr});
        ::unsetenv(n);
    }
    std::string why;
    EXPECT_FALSE(plat_qt::display_available(&why));
    EXPECT_NE(why.find("DISPLAY"), std::string::npos);
    ::setenv("DISPLAY", ":9173", 1); // no such local display
    EXPECT_FALSE(plat_qt::display_available(&why));
    EXPECT_NE(why.find(":9173"), std::string::npos);
    ::setenv("DISPLAY", "remote.example:10.0", 1);
    EXPECT_TRUE(plat_qt::display_available());
    ::unsetenv("DISPLAY");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EXPECT_TRUE(plat_qt::display_available());
    for (const auto& s : saved)
        s.set ? ::setenv(s.name, s.value.c_str(), 1) : ::unsetenv(s.name);
}

int main(int argc, char** argv) {
    // No window system needed: draw off screen unless told otherwise.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new Qt_Environment);
    return RUN_ALL_TESTS();
}
