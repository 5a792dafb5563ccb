// The driver's dialogs and the status window in real widgets on the offscreen
// platform, opened and driven as a person would. Each is saved as a picture
// under the build folder, and its layout is checked: every control inside the
// window, no two controls over each other, every text whole in its control,
// and the window small enough for a 1280 x 720 screen.
#include "color_dll.h"
#include "dialog_resources.h"
#include "lang_ge.h"
#include "lang_it.h"
#include "lang_ko.h"
#include "lang_sp.h"
#include "language.h"
#include "plat_module.h"
#include "plat_status.h"
#include "qt_ui.h"
#include "raster_status.h"
#include "resource_ids.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace c = rsrc_id::custom;
namespace p = rsrc_id::paper;

// Runs `action` on the next modal window that comes up.
void when_shown(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, action] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            w->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(w, 2000));
            action(w);
            QPointer<QWidget> still(w);
            QTimer::singleShot(5000, [still] {
                if (still && still->isVisible()) {
                    ADD_FAILURE() << "the window stayed open";
                    still->close();
                }
            });
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal window appeared";
        }
    });
    timer->start(10);
}

template <class T> T* child(QWidget* window, int id) {
    return window->findChild<T*>(QStringLiteral("control_%1").arg(id));
}

void save_picture(QWidget* window, const std::string& name) {
    std::filesystem::create_directories(SCREENSHOT_DIR);
    const std::string path = std::string(SCREENSHOT_DIR) + "/" + name + ".png";
    EXPECT_TRUE(window->grab().save(QString::fromStdString(path))) << path;
}

std::string describe(const QWidget* w) {
    QString text;
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        text = b->text();
    else if (auto* l = qobject_cast<const QLabel*>(w))
        text = l->text();
    else if (auto* g = qobject_cast<const QGroupBox*>(w))
        text = g->title();
    return (w->objectName() + " \"" + text + "\"").toStdString();
}

// The width a control needs to show its text whole; 0 for controls without text.
int needed_width(const QWidget* w) {
    const QFontMetrics fm(w->font());
    if (auto* b = qobject_cast<const QCheckBox*>(w))
        return b->text().isEmpty() ? 0 : b->sizeHint().width();
    if (auto* b = qobject_cast<const QRadioButton*>(w))
        return b->text().isEmpty() ? 0 : b->sizeHint().width();
    if (auto* b = qobject_cast<const QPushButton*>(w))
        return b->text().isEmpty() ? 0 : fm.horizontalAdvance(b->text()) + 8;
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title().isEmpty() ? 0 : fm.horizontalAdvance(g->title()) + 16;
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->pixmap().isNull() ? fm.horizontalAdvance(l->text()) : 0;
    if (auto* b = qobject_cast<const QComboBox*>(w)) {
        // The field beside the arrow holds the longest item (after the
        // swatch, in the owner-drawn colour lists).
        int longest = 0;
        for (int i = 0; i < b->count(); ++i)
            longest = std::max(longest, fm.horizontalAdvance(b->itemText(i)));
        QStyleOptionComboBox option;
        option.initFrom(b);
        const QRect field = b->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, b);
        const int swatch =
            b->itemDelegate() && b->property("owner_drawn").toBool() ? field.height() + 1 : 0;
        return longest + swatch + (b->width() - field.width()) + 2;
    }
    return 0;
}

bool is_group(const QWidget* w) {
    return qobject_cast<const QGroupBox*>(w) != nullptr;
}

// Checks the layout of the controls of `window`; `max_height` is what a
// 1280 x 720 screen leaves for the window's inside under its title bar and a
// panel.
void check_layout(QWidget* window, const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_LE(window->width(), 1280 - 16);
    EXPECT_LE(window->height(), 720 - 72);
    std::vector<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isVisibleTo(window) && !w->objectName().isEmpty() &&
            !w->objectName().startsWith("qt_"))
            controls.push_back(w);
    ASSERT_FALSE(controls.empty());
    const QRect inside = window->rect();
    for (QWidget* w : controls) {
        EXPECT_TRUE(inside.contains(w->geometry())) << describe(w) << " leaves the window";
        const int need = needed_width(w);
        EXPECT_LE(need, w->width()) << describe(w) << " cuts its text";
        if (qobject_cast<QLabel*>(w) && !qobject_cast<QLabel*>(w)->text().isEmpty()) {
            EXPECT_LE(QFontMetrics(w->font()).height(), w->height())
                << describe(w) << " cuts its text's height";
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i)
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            const QRect a = controls[i]->geometry(), b = controls[j]->geometry();
            if (!a.intersects(b))
                continue;
            // A control in a group box lies wholly inside it.
            if (is_group(controls[i]) && a.contains(b) && !is_group(controls[j]))
                continue;
            if (is_group(controls[j]) && b.contains(a) && !is_group(controls[i]))
                continue;
            if (is_group(controls[i]) && is_group(controls[j]) && (a.contains(b) || b.contains(a)))
                continue;
            ADD_FAILURE() << describe(controls[i]) << " and " << describe(controls[j])
                          << " overlap";
        }
}

class Qt_Environment : public ::testing::Environment {
public:
    void SetUp() override { session = std::make_unique<plat_qt::Qt_Session>(); }
    void TearDown() override { session.reset(); }
    std::unique_ptr<plat_qt::Qt_Session> session;
};
Qt_Environment* g_qt = nullptr;

// Every language build shows the same templates with its own texts, which
// may be longer than the English ones: each is laid out and checked.
const raster_lang::Language* const all_languages[] = {&raster_lang::english, &raster_lang::spanish,
                                                      &raster_lang::german, &raster_lang::korean,
                                                      &raster_lang::italian};

// Installs `language` as the running build's for one scope.
class Language_Scope {
public:
    explicit Language_Scope(const raster_lang::Language* language) {
        raster_lang::install({"layout", "layout.hdi", language});
    }
    ~Language_Scope() {
        raster_lang::install({"vorna_tarv_en_7", "vorna_tarv_en_7.hdi", &raster_lang::english});
    }
    Language_Scope(const Language_Scope&) = delete;
    Language_Scope& operator=(const Language_Scope&) = delete;
};

class DialogLayout : public ui_test::Dialog_Test,
                     public ::testing::WithParamInterface<const raster_lang::Language*> {};

std::string language_name(const ::testing::TestParamInfo<const raster_lang::Language*>& info) {
    return std::string(info.param->code);
}

} // namespace

TEST_P(DialogLayout, CustomPropertiesAndPaperConfig) {
    const Language_Scope language(GetParam());
    const std::string code(GetParam()->code);
    bool paper_seen = false;
    when_shown([&](QWidget* w) {
        save_picture(w, "custom_properties_" + code);
        check_layout(w, "Custom Properties");
        // The substitution rows take the focus row by row, column by column.
        child<QCheckBox>(w, c::apply_color_conversion)->setFocus();
        std::vector<QString> order;
        for (QWidget* f = w->nextInFocusChain(); f != w && order.size() < 40;
             f = f->nextInFocusChain())
            if (f->focusPolicy() & Qt::TabFocus)
                order.push_back(f->objectName());
        std::vector<QString> rows;
        for (const QString& name : order)
            for (int id : {c::apply1, c::apply2, c::apply3, c::compare1, c::compare2, c::compare3,
                           c::swap1, c::swap2, c::swap3})
                if (name == QStringLiteral("control_%1").arg(id))
                    rows.push_back(name);
        std::vector<QString> expected;
        for (int id : {c::apply1, c::apply2, c::apply3, c::compare1, c::compare2, c::compare3,
                       c::swap1, c::swap2, c::swap3})
            expected.push_back(QStringLiteral("control_%1").arg(id));
        EXPECT_EQ(rows, expected);

        when_shown([&](QWidget* paper) {
            paper_seen = true;
            save_picture(paper, "paper_config_" + code);
            check_layout(paper, "Paper Config");
            // Each suction label sits under its tick.
            auto* slider = child<QSlider>(paper, p::suction_slider);
            ASSERT_NE(slider, nullptr);
            QStyleOptionSlider option;
            option.initFrom(slider);
            option.orientation = Qt::Horizontal;
            const int handle =
                slider->style()->pixelMetric(QStyle::PM_SliderLength, &option, slider);
            std::vector<QLabel*> ticks;
            for (QLabel* l : paper->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
                if (l->geometry().top() >= slider->geometry().bottom() &&
                    l->geometry().top() < slider->geometry().bottom() + slider->height() &&
                    l->geometry().left() < slider->geometry().right())
                    ticks.push_back(l);
            std::sort(ticks.begin(), ticks.end(),
                      [](QLabel* a, QLabel* b) { return a->x() < b->x(); });
            ASSERT_EQ(ticks.size(), 5u);
            for (int v = 0; v <= 4; ++v) {
                const int x = slider->x() + handle / 2 +
                              QStyle::sliderPositionFromValue(0, 4, v, slider->width() - handle);
                const QRect r = ticks[static_cast<std::size_t>(v)]->geometry();
                EXPECT_TRUE(x >= r.left() && x <= r.right())
                    << "tick " << v << " at " << x << " is not over "
                    << ticks[static_cast<std::size_t>(v)]->text().toStdString();
            }
            QTest::mouseClick(child<QPushButton>(paper, plat::id_cancel), Qt::LeftButton);
        });
        QTest::mouseClick(child<QPushButton>(w, c::paper_config), Qt::LeftButton);
        QTest::qWait(50);
        QTest::mouseClick(child<QPushButton>(w, plat::id_cancel), Qt::LeftButton);
    });
    EXPECT_EQ(run({}), plat::id_cancel);
    EXPECT_TRUE(paper_seen);
}

INSTANTIATE_TEST_SUITE_P(Languages, DialogLayout, ::testing::ValuesIn(all_languages),
                         language_name);

TEST(PickerLayout, GridTakesClicksAndKeys) {
    plat::Library lib = plat::load_library(COLOR_DLL_PATH);
    ASSERT_NE(lib, nullptr) << plat::library_error();
    auto do_dialog =
        reinterpret_cast<Do_Color_Dialog>(plat::find_symbol(lib, do_color_dialog_name));
    ASSERT_NE(do_dialog, nullptr);
    when_shown([](QWidget* w) {
        check_layout(w, "colour picker");
        auto* grid = child<QLabel>(w, color_id_palette);
        auto* list = child<QComboBox>(w, color_id_list);
        ASSERT_NE(grid, nullptr);
        // A click on the cell of index 37 (row 2, column 5) chooses it and marks it.
        const QPoint cell((5 * 10 + 5) * grid->width() / 160, (2 * 10 + 5) * grid->height() / 160);
        QTest::mouseClick(grid, Qt::LeftButton, {}, cell);
        EXPECT_EQ(list->currentIndex(), 37);
        const QImage shown = grid->grab().toImage();
        const QPoint corner((5 * 10) * grid->width() / 160, (2 * 10 + 5) * grid->height() / 160);
        EXPECT_LT(qGray(shown.pixel(corner)), 64); // the dark frame of the mark
        save_picture(w, "colour_picker");
        // Arrows move over the grid; Enter takes the colour.
        QTest::keyClick(grid, Qt::Key_Right);
        QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, Qt::Key_Left);
        QTest::keyClick(grid, Qt::Key_Left);
        EXPECT_EQ(list->currentIndex(), 37 + 32 - 1);
        QTest::keyClick(grid, Qt::Key_Return);
    });
    EXPECT_EQ(do_dialog(nullptr, 11, 256, 0, 0), 68);
    plat::free_library(lib);
}

// The status window while a page goes out, for one copy and for two.
TEST(StatusLayout, WindowFollowsTheBandsAndCloses) {
    plat::Status_Services* previous = plat::set_status_services(&g_qt->session->status());
    for (const raster_lang::Language* lang : all_languages)
        for (int copies : {1, 2}) {
            const Language_Scope language(lang);
            const std::string code(lang->code);
            const bool english = code == "en";
            SCOPED_TRACE(code + " " + std::to_string(copies));
            QWidget* elsewhere = new QWidget;
            elsewhere->setObjectName("elsewhere");
            elsewhere->show();
            elsewhere->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(elsewhere, 2000));

            raster_device::Spool_Status status;
            const int rows = 200;
            status.show(copies == 1 ? raster_device::status_template_device
                                    : raster_device::status_template_file,
                        copies, rows);
            QWidget* window = nullptr;
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName().startsWith("status_") && top->isVisible())
                    window = top;
            ASSERT_NE(window, nullptr);
            for (int i = 0; i < rows / 2; ++i)
                status.advance();
            QApplication::processEvents();
            // It never takes the focus from the person's window. The offscreen
            // platform hands every new window the focus, so there it can only
            // be seen that the window asks not to take it.
            if (QApplication::platformName() == "offscreen") {
                EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
                EXPECT_TRUE(window->windowFlags() & Qt::WindowDoesNotAcceptFocus);
            } else {
                EXPECT_EQ(QApplication::activeWindow(), elsewhere);
            }
            auto bars = window->findChildren<QProgressBar*>();
            std::sort(bars.begin(), bars.end(),
                      [](QProgressBar* a, QProgressBar* b) { return a->y() < b->y(); });
            ASSERT_EQ(bars.size(), static_cast<qsizetype>(copies));
            EXPECT_EQ(bars.back()->value(), rows / 2); // the page bar
            EXPECT_EQ(bars.back()->maximum(), rows);
            auto* top_label = window->findChild<QLabel*>("label_1041");
            auto* lower_label = window->findChild<QLabel*>("label_1042");
            ASSERT_TRUE(top_label && lower_label);
            // The words are the language tables'; English shows the template's own.
            if (copies == 1) {
                if (english) {
                    EXPECT_EQ(window->windowTitle(), "Print Spool Status");
                    EXPECT_EQ(top_label->text(), "Current Page");
                }
                EXPECT_EQ(lower_label->text(), "");
            } else {
                if (english) {
                    EXPECT_EQ(window->windowTitle(), "Print Spool Status (2 Copies)");
                    EXPECT_EQ(top_label->text(), "Number of Copies");
                }
                EXPECT_GT(bars.front()->value(), 1); // the copies bar moved too
                // Each label sits above its own bar.
                EXPECT_LE(top_label->geometry().bottom(), bars.front()->y());
                EXPECT_LE(lower_label->geometry().bottom(), bars.back()->y());
            }
            // The pictures are drawn.
            for (QLabel* picture : window->findChildren<QLabel*>()) {
                if (picture->objectName().startsWith("picture_")) {
                    EXPECT_FALSE(picture->pixmap().isNull()) << picture->objectName().toStdString();
                }
            }
            save_picture(window, (copies == 1 ? "status_one_copy_" : "status_two_copies_") + code);
            check_layout(window, "status window");
            QPointer<QWidget> gone(window);
            status.close();
            QApplication::processEvents();
            EXPECT_TRUE(gone.isNull() || !gone->isVisible());
            delete elsewhere;
        }
    plat::set_status_services(previous);
}

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    g_qt = new Qt_Environment;
    ::testing::AddGlobalTestEnvironment(g_qt);
    return RUN_ALL_TESTS();
}
