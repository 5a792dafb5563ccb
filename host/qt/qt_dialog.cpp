// Dialogs as Qt widgets. The platform's model stays the truth: every change
// the owner makes reaches a widget through the model's `changed` hook, and
// every thing the person does to a widget goes to the model's person
// functions, which notify the owner. Widgets are placed where the template
// says, in pixels worked out from the template font's dialog base units.
#include "qt_internal.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTimer>

#include <cmath>
#include <map>

namespace plat_qt {
namespace detail {

using plat::change_check;
using plat::change_enabled;
using plat::change_image;
using plat::change_items;
using plat::change_position;
using plat::change_range;
using plat::change_redraw;
using plat::change_selection;
using plat::change_text;
using plat::change_visible;

namespace {

plat::Rect to_rect(const QRect& r) {
    return plat::Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// Owner drawing onto a QPainter.
class Painter_Context : public plat::Draw_Context {
public:
    Painter_Context(QPainter& painter, const QPalette& palette, const QFont& font)
        : m_painter(painter), m_palette(palette), m_metrics(font) {
        m_painter.setFont(font);
    }
    void fill_rect(const plat::Rect& r, plat::Color_Ref color) override {
        m_painter.fillRect(QRect(r.left, r.top, r.width(), r.height()), to_qcolor(color));
    }
    void frame_rect(const plat::Rect& r, plat::Color_Ref color) override {
        if (r.width() <= 0 || r.height() <= 0)
            return;
        m_painter.save();
        m_painter.setPen(to_qcolor(color));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
        m_painter.restore();
    }
    void draw_text(const plat::Rect& clip, int x, int y, std::string_view text,
                   plat::Color_Ref text_color, plat::Color_Ref background) override {
        const QRect area(clip.left, clip.top, clip.width(), clip.height());
        m_painter.fillRect(area, to_qcolor(background));
        m_painter.save();
        m_painter.setClipRect(area, Qt::IntersectClip);
        m_painter.setPen(to_qcolor(text_color));
        m_painter.drawText(QPoint(x, y + m_metrics.ascent()), qs(text));
        m_painter.restore();
    }
    int text_height() const override { return m_metrics.height(); }
    int text_width(std::string_view text) const override {
        return m_metrics.horizontalAdvance(qs(text));
    }
    void draw_focus_rect(const plat::Rect& r) override {
        m_painter.save();
        m_painter.setPen(QPen(m_palette.color(QPalette::Text), 1, Qt::DotLine));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
        m_painter.restore();
    }
    plat::Color_Ref system_color(plat::System_Color which) const override {
        switch (which) {
        case plat::System_Color::window:
            return from_qcolor(m_palette.color(QPalette::Base));
        case plat::System_Color::window_text:
            return from_qcolor(m_palette.color(QPalette::Text));
        case plat::System_Color::gray_text:
            return from_qcolor(m_palette.color(QPalette::Disabled, QPalette::Text));
        case plat::System_Color::button_face:
            return from_qcolor(m_palette.color(QPalette::Button));
        case plat::System_Color::highlight:
            return from_qcolor(m_palette.color(QPalette::Highlight));
        case plat::System_Color::highlight_text:
            return from_qcolor(m_palette.color(QPalette::HighlightedText));
        }
        return 0;
    }

private:
    QPainter& m_painter;
    const QPalette& m_palette;
    QFontMetrics m_metrics;
};

} // namespace

class Dialog_Widget;

class Qt_Dialog_Model : public plat::Dialog_Model {
public:
    Qt_Dialog_Model(const plat::Dialog_Template& tmpl, plat::Dialog_Handler& handler,
                    plat::Window parent, bool modal);
    ~Qt_Dialog_Model() override;

    QDialog* widget() const;
    // Runs a person's action, then brings control `id`'s widget back in line
    // with the model (the widget may have changed itself differently).
    template <class F> void person(int id, F&& action);
    // The person typed into edit `id`: the caret stays where the person put
    // it unless the owner changed the text.
    void typed(int id, QLineEdit* edit, const QString& text);
    void paint_item(int id, int item, const QRect& rect, unsigned state, QPainter& painter,
                    const QPalette& palette, const QFont& font);

protected:
    void changed(const plat::Control_State& c, unsigned what) override;
    void caption_changed() override;
    void focus_changed(int id) override;
    void timers_changed() override;
    void ending(int result) override;

private:
    void build();
    QWidget* make_control(const plat::Control_State& c, std::size_t index);
    void sync(const plat::Control_State& c, unsigned what);

    QPointer<Dialog_Widget> m_widget;
    std::map<int, QPointer<QWidget>> m_controls;
    std::map<int, QTimer*> m_timers;
    bool m_syncing = false;
};

// The dialog window: Escape, the close box and F1 go to the model.
class Dialog_Widget : public QDialog {
public:
    Dialog_Widget(Qt_Dialog_Model& model, QWidget* parent) : QDialog(parent), m_model(&model) {}
    void forget_model() { m_model = nullptr; }
    void reject() override {
        if (m_model)
            m_model->person(0, [this] { m_model->press_cancel(); });
        else
            QDialog::reject();
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_F1 && m_model) {
            int id = 0;
            for (QWidget* w = QApplication::focusWidget(); w && w != this; w = w->parentWidget())
                if (w->property("vorna_id").isValid()) {
                    id = w->property("vorna_id").toInt();
                    break;
                }
            m_model->ask_help(id);
            return;
        }
        QDialog::keyPressEvent(event);
    }

private:
    Qt_Dialog_Model* m_model;
};

namespace {

// A combo box whose list opening and closing reach the model, and that lets
// the handler draw its items.
class Combo : public QComboBox {
public:
    Combo(Qt_Dialog_Model& model, int id, bool owner_draw, QWidget* parent)
        : QComboBox(parent), m_model(model), m_id(id), m_owner_draw(owner_draw) {}
    void showPopup() override {
        m_model.person(m_id, [this] { m_model.drop_down(m_id); });
        if (!m_model.ended())
            QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        // After the event that closed the list, so that the choice made with
        // it has reached the model first.
        QTimer::singleShot(0, this,
                           [this] { m_model.person(m_id, [this] { m_model.close_up(m_id); }); });
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!m_owner_draw) {
            QComboBox::paintEvent(event);
            return;
        }
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        option.currentIcon = QIcon();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, this);
        unsigned state = plat::ods_combo_edit;
        if (hasFocus())
            state |= plat::ods_focus | plat::ods_selected;
        m_model.paint_item(m_id, m_model.combo_selection(m_id), field, state, painter, palette(),
                           font());
    }

private:
    Qt_Dialog_Model& m_model;
    int m_id;
    bool m_owner_draw;
};

// Draws the items of an owner-drawn list through the handler.
class Owner_Delegate : public QStyledItemDelegate {
public:
    Owner_Delegate(Qt_Dialog_Model& model, int id, QObject* parent)
        : QStyledItemDelegate(parent), m_model(model), m_id(id) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        unsigned state = 0;
        if (option.state & QStyle::State_Selected)
            state |= plat::ods_selected;
        if (option.state & QStyle::State_HasFocus)
            state |= plat::ods_focus;
        if (!(option.state & QStyle::State_Enabled))
            state |= plat::ods_disabled;
        m_model.paint_item(m_id, index.row(), option.rect, state, *painter, option.palette,
                           option.font);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), QFontMetrics(option.font).height() + 4);
    }

private:
    Qt_Dialog_Model& m_model;
    int m_id;
};

// A picture; one that notifies takes clicks, reported in pixels of its image,
// and arrow keys while it has the focus, which it then shows with a frame.
class Picture : public QLabel {
public:
    Picture(Qt_Dialog_Model& model, int id, bool notifies, QWidget* parent)
        : QLabel(parent), m_model(model), m_id(id), m_notifies(notifies) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        const plat::Control_State* c = m_model.control(m_id);
        if (!m_notifies || !c || width() <= 0 || height() <= 0) {
            QLabel::mousePressEvent(event);
            return;
        }
        if (focusPolicy() != Qt::NoFocus)
            setFocus(Qt::MouseFocusReason);
        const QPoint at = event->position().toPoint();
        const int x = at.x() * c->image.width / width();
        const int y = at.y() * c->image.height / height();
        m_model.person(m_id, [&] { m_model.click_picture(m_id, x, y); });
    }
    void keyPressEvent(QKeyEvent* event) override {
        plat::Notify key;
        switch (event->key()) {
        case Qt::Key_Left:
            key = plat::Notify::key_left;
            break;
        case Qt::Key_Right:
            key = plat::Notify::key_right;
            break;
        case Qt::Key_Up:
            key = plat::Notify::key_up;
            break;
        case Qt::Key_Down:
            key = plat::Notify::key_down;
            break;
        default:
            QLabel::keyPressEvent(event); // Enter, Escape and Tab go to the dialog
            return;
        }
        if (!m_notifies) {
            QLabel::keyPressEvent(event);
            return;
        }
        m_model.person(m_id, [&] { m_model.press_arrow(m_id, key); });
    }
    void focusInEvent(QFocusEvent* event) override {
        QLabel::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLabel::focusOutEvent(event);
        update();
    }
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        if (!hasFocus())
            return;
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    Qt_Dialog_Model& m_model;
    int m_id;
    bool m_notifies;
};

// Tells the model when the person moves the focus to a control.
class Focus_Watch : public QObject {
public:
    Focus_Watch(Qt_Dialog_Model& model, QObject* parent) : QObject(parent), m_model(model) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn && watched->property("vorna_id").isValid()) {
            const int id = watched->property("vorna_id").toInt();
            if (m_model.focus() != id)
                m_model.person(id, [&] { m_model.focus_control(id); });
        }
        return false;
    }

private:
    Qt_Dialog_Model& m_model;
};

} // namespace

Qt_Dialog_Model::Qt_Dialog_Model(const plat::Dialog_Template& tmpl, plat::Dialog_Handler& handler,
                                 plat::Window parent, bool modal)
    : Dialog_Model(tmpl, handler, parent, modal) {
    m_widget = new Dialog_Widget(*this, widget_for(parent));
    build();
}

Qt_Dialog_Model::~Qt_Dialog_Model() {
    // The owner's last look at its controls happens while they still exist.
    destroy();
    if (m_widget) {
        m_widget->forget_model();
        m_widget->hide();
        delete m_widget.data();
    }
}

QDialog* Qt_Dialog_Model::widget() const {
    return m_widget.data();
}

template <class F> void Qt_Dialog_Model::person(int id, F&& action) {
    if (m_syncing)
        return; // a widget reacting to the model's own change
    action();
    if (const plat::Control_State* c = control(id))
        sync(*c, ~0u);
}

void Qt_Dialog_Model::typed(int id, QLineEdit* edit, const QString& text) {
    if (m_syncing)
        return;
    type_text(id, text.toStdString());
    const plat::Control_State* c = control(id);
    if (c && edit->text() != qs(c->text)) {
        const bool was_syncing = m_syncing;
        m_syncing = true;
        edit->setText(qs(c->text));
        edit->setCursorPosition(c->selection_end);
        m_syncing = was_syncing;
    }
}

void Qt_Dialog_Model::paint_item(int id, int item, const QRect& rect, unsigned state,
                                 QPainter& painter, const QPalette& palette, const QFont& font) {
    Painter_Context dc(painter, palette, font);
    Dialog_Model::paint_item(id, item, to_rect(rect), state, dc);
}

QFont template_font(std::string_view face, int points) {
    QFont font = QApplication::font();
    if (!face.empty()) {
        font.setFamilies({qs(face), font.family()});
        font.setStyleHint(QFont::SansSerif);
    }
    if (points <= 0)
        return font;
    // Templates are laid out for the classic dialog face, whose lines are
    // 13 pixels high at 8 and 9 points on a 96-dpi screen: a twelfth more
    // than the size itself. A substitute face with taller lines would make
    // every dialog that much taller (Paper Config no longer fits a 720-line
    // screen) while its letters grow no wider, so it is set at the largest
    // pixel size whose lines are no taller than the classic ones.
    const double dpi = QFontMetricsF(font).fontDpi();
    const double em = points * dpi / 72.0;
    const int line = static_cast<int>(std::ceil(em * 13.0 / 12.0 - 0.01));
    int pixels = std::max(6, static_cast<int>(std::lround(em)));
    font.setPixelSize(pixels);
    while (pixels > 6 && QFontMetrics(font).height() > line)
        font.setPixelSize(--pixels);
    return font;
}

QFont template_font(const plat::Dialog_Template& tmpl) {
    return template_font(tmpl.font, tmpl.font_size);
}

std::pair<int, int> base_units(const QFont& font) {
    // The average width of the letters, rounded, and the line height: the
    // classic rule that makes four horizontal units one average character.
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {std::max(1, (width / 26 + 1) / 2), std::max(1, metrics.height())};
}

void Qt_Dialog_Model::build() {
    const plat::Dialog_Template& tmpl = dialog_template();
    const QFont font = template_font(tmpl);
    const auto [bx, by] = base_units(font);
    m_widget->setFont(font);
    m_widget->setWindowTitle(qs(caption()));
    m_widget->setObjectName(QStringLiteral("dialog_%1").arg(tmpl.id));
    m_widget->setFixedSize(tmpl.cx * bx / 4, tmpl.cy * by / 8);
    m_widget->setWindowFlags(m_widget->windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* focus = new Focus_Watch(*this, m_widget);

    const auto& cs = controls();
    for (std::size_t i = 0; i < cs.size(); ++i) {
        const plat::Control_State& c = cs[i];
        QWidget* w = make_control(c, i);
        const int x = c.rect.left * bx / 4;
        const int y = c.rect.top * by / 8;
        const int width = c.rect.width() * bx / 4;
        int height = c.rect.height() * by / 8;
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            // The template's height is the dropped list's; the box is one line.
            const int item = QFontMetrics(font).height() + 4;
            combo->setMaxVisibleItems(std::max(1, (height - w->sizeHint().height()) / item));
            height = w->sizeHint().height();
        }
        w->setGeometry(x, y, width, height);
        w->installEventFilter(focus);
        if (c.id != plat::id_static) {
            w->setProperty("vorna_id", c.id);
            m_controls[c.id] = w;
        }
        sync(c, ~0u);
    }
}

QWidget* Qt_Dialog_Model::make_control(const plat::Control_State& c, std::size_t index) {
    QWidget* parent = m_widget;
    const int id = c.id;
    QWidget* made = nullptr;
    switch (c.kind) {
    case plat::Control_Kind::push_button: {
        auto* b = new QPushButton(parent);
        b->setDefault((c.style & plat::style_default) != 0);
        QObject::connect(b, &QPushButton::clicked, b,
                         [this, id] { person(id, [this, id] { click(id); }); });
        made = b;
        break;
    }
    case plat::Control_Kind::check_box: {
        auto* b = new QCheckBox(parent);
        QObject::connect(b, &QCheckBox::clicked, b,
                         [this, id] { person(id, [this, id] { click(id); }); });
        made = b;
        break;
    }
    case plat::Control_Kind::radio_button: {
        auto* b = new QRadioButton(parent);
        // Groups are the template's, kept by the model.
        b->setAutoExclusive(false);
        QObject::connect(b, &QRadioButton::clicked, b,
                         [this, id] { person(id, [this, id] { click(id); }); });
        made = b;
        break;
    }
    case plat::Control_Kind::group_box:
        made = new QGroupBox(parent);
        break;
    case plat::Control_Kind::label: {
        auto* l = new QLabel(parent);
        l->setWordWrap(true);
        Qt::Alignment align = Qt::AlignLeft;
        if (c.style & plat::style_right)
            align = Qt::AlignRight;
        else if (c.style & plat::style_center)
            align = Qt::AlignHCenter;
        l->setAlignment(align | Qt::AlignTop);
        made = l;
        break;
    }
    case plat::Control_Kind::edit: {
        auto* e = new QLineEdit(parent);
        e->setReadOnly((c.style & plat::style_read_only) != 0);
        if (c.style & plat::style_right)
            e->setAlignment(Qt::AlignRight);
        QObject::connect(e, &QLineEdit::textEdited, e,
                         [this, id, e](const QString& text) { typed(id, e, text); });
        made = e;
        break;
    }
    case plat::Control_Kind::combo_box: {
        const bool owner_draw = (c.style & plat::style_owner_draw) != 0;
        auto* b = new Combo(*this, id, owner_draw, parent);
        b->setProperty("owner_drawn", owner_draw);
        if (!(c.style & plat::style_drop_list)) {
            b->setEditable(true);
            b->setInsertPolicy(QComboBox::NoInsert);
            QLineEdit* e = b->lineEdit();
            QObject::connect(e, &QLineEdit::textEdited, b,
                             [this, id, e](const QString& text) { typed(id, e, text); });
        }
        if (owner_draw)
            b->setItemDelegate(new Owner_Delegate(*this, id, b));
        QObject::connect(b, &QComboBox::activated, b, [this, id](int item) {
            person(id, [this, id, item] { choose(id, item); });
        });
        made = b;
        break;
    }
    case plat::Control_Kind::slider: {
        auto* s =
            new QSlider((c.style & plat::style_vertical) ? Qt::Vertical : Qt::Horizontal, parent);
        if (c.style & plat::style_ticks)
            s->setTickPosition((c.style & plat::style_vertical) ? QSlider::TicksRight
                                                                : QSlider::TicksBelow);
        QObject::connect(s, &QSlider::sliderMoved, s, [this, id](int value) {
            person(id, [this, id, value] { drag_slider(id, value); });
        });
        QObject::connect(s, &QSlider::sliderReleased, s,
                         [this, id] { person(id, [this, id] { release_slider(id); }); });
        // Keys, the wheel and clicks beside the handle move it without a drag.
        QObject::connect(s, &QSlider::valueChanged, s, [this, id, s](int value) {
            if (!s->isSliderDown())
                person(id, [this, id, value] { key_slider(id, value); });
        });
        made = s;
        break;
    }
    case plat::Control_Kind::progress_bar: {
        auto* p = new QProgressBar(parent);
        p->setTextVisible(false);
        made = p;
        break;
    }
    case plat::Control_Kind::bitmap: {
        auto* l = new Picture(*this, id, (c.style & plat::style_notify) != 0, parent);
        l->setScaledContents(true);
        made = l;
        break;
    }
    }
    made->setObjectName(c.id != plat::id_static ? QStringLiteral("control_%1").arg(c.id)
                                                : QStringLiteral("static_%1").arg(index));
    if (c.style & plat::style_tab_stop)
        made->setFocusPolicy(Qt::StrongFocus);
    else if (c.kind != plat::Control_Kind::edit && c.kind != plat::Control_Kind::combo_box)
        made->setFocusPolicy(made->focusPolicy() == Qt::NoFocus ? Qt::NoFocus : Qt::ClickFocus);
    return made;
}

void Qt_Dialog_Model::changed(const plat::Control_State& c, unsigned what) {
    sync(c, what);
}

void Qt_Dialog_Model::sync(const plat::Control_State& c, unsigned what) {
    QWidget* w = nullptr;
    if (c.id != plat::id_static) {
        auto it = m_controls.find(c.id);
        if (it == m_controls.end())
            return; // still being built
        w = it->second.data();
    } else if (m_widget) {
        const auto index = static_cast<std::size_t>(&c - controls().data());
        w = m_widget->findChild<QWidget*>(QStringLiteral("static_%1").arg(index),
                                          Qt::FindDirectChildrenOnly);
    }
    if (!w)
        return;
    const bool was_syncing = m_syncing;
    m_syncing = true;
    const QString text = qs(c.text);

    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        if ((what & change_text) && b->text() != text)
            b->setText(text);
        if (what & change_check) {
            if (auto* box = qobject_cast<QCheckBox*>(b)) {
                box->setTristate(c.check == plat::indeterminate);
                box->setCheckState(c.check == plat::checked         ? Qt::Checked
                                   : c.check == plat::indeterminate ? Qt::PartiallyChecked
                                                                    : Qt::Unchecked);
            } else if (b->isCheckable()) {
                b->setChecked(c.check == plat::checked);
            }
        }
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        if (what & change_text)
            g->setTitle(text);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        if ((what & change_text) && e->text() != text)
            e->setText(text);
        if (what & change_selection) {
            const int start = c.selection_start, end = c.selection_end;
            if (start == end) {
                if (e->cursorPosition() != end || e->hasSelectedText())
                    e->setCursorPosition(end);
            } else {
                e->setSelection(start, end - start);
            }
        }
    } else if (auto* b = qobject_cast<QComboBox*>(w)) {
        if (what & change_items) {
            bool same = b->count() == static_cast<int>(c.items.size());
            for (int i = 0; same && i < b->count(); ++i)
                same = b->itemText(i) == qs(c.items[static_cast<std::size_t>(i)].text);
            if (!same) {
                b->clear();
                for (const auto& item : c.items)
                    b->addItem(qs(item.text));
            }
        }
        if ((what & (change_items | change_selection)) && b->currentIndex() != c.selection)
            b->setCurrentIndex(c.selection);
        if ((what & change_text) && b->isEditable() && b->currentText() != text)
            b->setEditText(text);
        if (what & (change_redraw | change_items | change_selection)) {
            b->update();
            if (b->view())
                b->view()->viewport()->update();
        }
    } else if (auto* s = qobject_cast<QSlider*>(w)) {
        if (what & change_range) {
            s->setRange(c.minimum, c.maximum);
            s->setTickInterval(c.tick_frequency);
            s->setPageStep(c.page_size);
        }
        if ((what & (change_range | change_position)) && s->value() != c.position)
            s->setValue(c.position);
    } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
        if (what & change_range)
            p->setRange(c.minimum, c.maximum);
        if ((what & (change_range | change_position)) && p->value() != c.position)
            p->setValue(c.position);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        if (c.kind == plat::Control_Kind::bitmap) {
            if (what & change_image) {
                QImage image(c.image.width, c.image.height, QImage::Format_RGB32);
                for (int y = 0; y < c.image.height; ++y)
                    for (int x = 0; x < c.image.width; ++x)
                        image.setPixelColor(
                            x, y,
                            to_qcolor(
                                c.image.pixels[static_cast<std::size_t>(y * c.image.width + x)]));
                l->setPixmap(c.image.width > 0 ? QPixmap::fromImage(image) : QPixmap());
            }
        } else if ((what & change_text) && l->text() != text) {
            l->setText(text);
        }
    }
    if (what & change_enabled)
        w->setEnabled(c.enabled);
    if ((what & change_visible) && w->isVisibleTo(m_widget) != c.visible)
        w->setVisible(c.visible);
    if (what & change_redraw)
        w->update();
    m_syncing = was_syncing;
}

void Qt_Dialog_Model::caption_changed() {
    if (m_widget)
        m_widget->setWindowTitle(qs(caption()));
}

void Qt_Dialog_Model::focus_changed(int id) {
    auto it = m_controls.find(id);
    if (it != m_controls.end() && it->second && !it->second->hasFocus()) {
        const bool was_syncing = m_syncing;
        m_syncing = true;
        it->second->setFocus(Qt::OtherFocusReason);
        m_syncing = was_syncing;
    }
}

void Qt_Dialog_Model::timers_changed() {
    if (!m_widget)
        return;
    std::map<int, QTimer*> kept;
    for (const auto& [id, ms] : timers()) {
        QTimer* t = nullptr;
        if (auto it = m_timers.find(id); it != m_timers.end()) {
            t = it->second;
            m_timers.erase(it);
        } else {
            t = new QTimer(m_widget);
            const int timer = id;
            QObject::connect(t, &QTimer::timeout, t, [this, timer] { fire_timer(timer); });
        }
        if (t->interval() != ms || !t->isActive())
            t->start(ms);
        kept[id] = t;
    }
    for (auto& [id, t] : m_timers)
        delete t;
    m_timers = std::move(kept);
}

void Qt_Dialog_Model::ending(int result) {
    if (!m_widget)
        return;
    if (modal())
        m_widget->done(result);
    else
        m_widget->hide();
}

QWidget* widget_for(plat::Window window) {
    auto* dialog = dynamic_cast<Qt_Dialog_Model*>(plat::find_dialog(window));
    return dialog ? dialog->widget() : nullptr;
}

QWidget* owner_widget(plat::Window window) {
    if (QWidget* w = widget_for(window))
        return w;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

} // namespace detail

Qt_Ui::Qt_Ui() : m_impl(std::make_unique<Impl>()) {}

Qt_Ui::~Qt_Ui() {
    // Modeless dialogs still open go with the back end; their owners are told.
    while (!m_impl->modeless.empty())
        destroy_dialog(m_impl->modeless.back().get());
}

int Qt_Ui::run_dialog(const plat::Dialog_Template& tmpl, plat::Dialog_Handler& handler,
                      plat::Window parent) {
    if (!plat::check_template(tmpl).empty())
        return -1;
    detail::Qt_Dialog_Model dialog(tmpl, handler, parent, true);
    dialog.initialise();
    if (!dialog.ended() && dialog.widget())
        dialog.widget()->exec();
    // The window may have gone without the model knowing (its parent closed).
    dialog.force_end();
    dialog.destroy();
    if (dialog.failure())
        std::rethrow_exception(dialog.failure());
    return dialog.result();
}

plat::Dialog* Qt_Ui::create_dialog(const plat::Dialog_Template& tmpl, plat::Dialog_Handler& handler,
                                   plat::Window parent) {
    if (!plat::check_template(tmpl).empty())
        return nullptr;
    auto dialog = std::make_unique<detail::Qt_Dialog_Model>(tmpl, handler, parent, false);
    dialog->initialise();
    if (dialog->failure())
        return nullptr;
    if (!dialog->ended())
        dialog->widget()->show();
    m_impl->modeless.push_back(std::move(dialog));
    return m_impl->modeless.back().get();
}

void Qt_Ui::destroy_dialog(plat::Dialog* dialog) {
    auto& list = m_impl->modeless;
    auto it = std::find_if(list.begin(), list.end(),
                           [dialog](const auto& d) { return d.get() == dialog; });
    if (it == list.end())
        return;
    std::unique_ptr<detail::Qt_Dialog_Model> gone = std::move(*it);
    list.erase(it);
    gone->destroy();
}

Pixel_Rect dialog_units_to_pixels(const plat::Dialog_Template& tmpl, int x, int y, int cx, int cy) {
    const auto [bx, by] = detail::base_units(detail::template_font(tmpl));
    return Pixel_Rect{x * bx / 4, y * by / 8, cx * bx / 4, cy * by / 8};
}

} // namespace plat_qt
