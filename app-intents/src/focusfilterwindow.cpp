#include "tarnwick/appintents/focusfilterwindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <set>

#include "tarnwick/ui/accountdot.h"
#include "tarnwick/ui/formstyle.h"
#include "tarnwick/ui/windowkeys.h"

namespace tarnwick {

namespace {

constexpr const char* kAccountsTitle = "Accounts";
// The widest an account's name is shown beside its box.
constexpr int kNameWidth = 320;
constexpr const char* kAccountsDescription = "Turning an account off silences it.";
constexpr const char* kPreventAccessTitle = "Prevent Access to Silenced Accounts";
constexpr const char* kPreventAccessDescription = "Gray out silenced accounts so they cannot be opened.";
constexpr const char* kDndSwitch = "Use a different filter while Do Not Disturb is on";
constexpr const char* kDndDescription =
    "When the desktop's Do Not Disturb comes on, these accounts stay active instead; the filter above "
    "returns when it goes off. Left off, Do Not Disturb does not change the filter.";

QIcon dotIcon(const std::string& colorHex)
{
    const auto png = AccountDot::png(colorHex, 32);
    QPixmap pixmap;
    if (png && pixmap.loadFromData(*png, "PNG"))
        return QIcon(pixmap);
    return {};
}

QString text(const char* s)
{
    return QString::fromUtf8(s);
}

// Boxes for every account, checked for those in `checked` (all of them when `checked` is empty: an
// empty list keeps every account on).
QWidget* accountBoxes(const std::vector<AccountEntity>& accounts, const std::vector<std::string>& checked,
                      const QString& namePrefix, std::map<std::string, QCheckBox*>& boxes, QWidget* parent)
{
    auto* holder = new QWidget(parent);
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(12, 0, 0, 0);
    column->setSpacing(4);
    const std::set<std::string> on(checked.begin(), checked.end());
    for (const AccountEntity& account : accounts) {
        auto* box = new QCheckBox(holder);
        box->setObjectName(namePrefix + QString::fromStdString(account.id));
        // A long name ends in "…" (the whole of it in the tool tip), so the window keeps its width; an
        // "&" is shown, not taken for a shortcut mark.
        const QString name = QString::fromStdString(account.name);
        const QString shown = box->fontMetrics().elidedText(name, Qt::ElideRight, kNameWidth);
        box->setText(QString(shown).replace(QLatin1Char('&'), QStringLiteral("&&")));
        if (shown != name)
            box->setToolTip(name);
        box->setAccessibleName(name.isEmpty() ? QString::fromStdString(account.id) : name);
        box->setIcon(dotIcon(account.colorHex));
        box->setIconSize(QSize(24, 16));
        box->setChecked(on.empty() || on.contains(account.id));
        column->addWidget(box);
        boxes[account.id] = box;
    }
    return holder;
}

} // namespace

FocusFilterWindow::FocusFilterWindow(TarnwickFocusFilter::Environment environment, QWidget* parent)
    : QWidget(parent)
    , m_env(environment)
{
    setObjectName(QStringLiteral("focusFilterWindow"));
    setWindowTitle(text(kWindowTitle));
    m_accounts = AccountQuery(m_env.logger, m_env.paths).loadAccounts();

    FocusFilterState current;
    if (const auto location = FocusFilterFile::location(m_env.paths)) {
        const auto read = FocusFilterFile::read(*location);
        if (read.status == FocusFilterFile::ReadStatus::Loaded)
            current = read.state;
    }
    std::optional<FocusFilterState> dnd;
    if (const auto location = FocusFilterFile::doNotDisturbLocation(m_env.paths)) {
        const auto read = FocusFilterFile::read(*location);
        if (read.status == FocusFilterFile::ReadStatus::Loaded)
            dnd = read.state;
    }

    // The form scrolls where the screen is too short for it (a large scale on a small screen); the
    // status line and the buttons stay in view below it.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 16, 20, 16);
    outer->setSpacing(8);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("form"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFocusPolicy(Qt::NoFocus); // Tab goes to the controls in it, which it scrolls into view
    auto* form = new QWidget(m_scroll);
    auto* column = new QVBoxLayout(form);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(FormStyle::sectionTitle(text(TarnwickFocusFilter::kTitle), this));
    column->addWidget(FormStyle::caption(text(TarnwickFocusFilter::kDescription), this));
    column->addWidget(FormStyle::separator(this));

    column->addWidget(FormStyle::sectionTitle(text(kAccountsTitle), this));
    column->addWidget(FormStyle::caption(text(kAccountsDescription), this));
    column->addWidget(accountBoxes(m_accounts, current.activeAccountIds, QStringLiteral("account:"), m_boxes, this));
    m_preventAccess = new QCheckBox(text(kPreventAccessTitle), this);
    m_preventAccess->setObjectName(QStringLiteral("preventAccess"));
    m_preventAccess->setChecked(current.disableExcludedAccounts);
    column->addWidget(m_preventAccess);
    column->addWidget(FormStyle::caption(text(kPreventAccessDescription), this));
    column->addWidget(FormStyle::separator(this));

    m_dndEnabled = new QCheckBox(text(kDndSwitch), this);
    m_dndEnabled->setObjectName(QStringLiteral("doNotDisturb"));
    m_dndEnabled->setChecked(dnd.has_value());
    column->addWidget(m_dndEnabled);
    column->addWidget(FormStyle::caption(text(kDndDescription), this));
    m_dndGroup = new QWidget(this);
    auto* dndColumn = new QVBoxLayout(m_dndGroup);
    dndColumn->setContentsMargins(0, 0, 0, 0);
    dndColumn->setSpacing(4);
    dndColumn->addWidget(accountBoxes(m_accounts, dnd ? dnd->activeAccountIds : std::vector<std::string>{},
                                      QStringLiteral("dndAccount:"), m_dndBoxes, m_dndGroup));
    m_dndPreventAccess = new QCheckBox(text(kPreventAccessTitle), m_dndGroup);
    m_dndPreventAccess->setObjectName(QStringLiteral("dndPreventAccess"));
    m_dndPreventAccess->setChecked(dnd && dnd->disableExcludedAccounts);
    dndColumn->addWidget(m_dndPreventAccess);
    column->addWidget(m_dndGroup);
    connect(m_dndEnabled, &QCheckBox::toggled, this, &FocusFilterWindow::updateDoNotDisturbEnabled);
    updateDoNotDisturbEnabled();

    column->addStretch(1);
    m_scroll->setWidget(form);
    outer->addWidget(m_scroll, 1);
    m_status = FormStyle::caption(QString(), this);
    m_status->setObjectName(QStringLiteral("status"));
    outer->addWidget(m_status);
    auto* buttons = new QDialogButtonBox(this);
    m_apply = buttons->addButton(QDialogButtonBox::Apply);
    m_apply->setObjectName(QStringLiteral("apply"));
    m_apply->setDefault(true);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("close"));
    // Enter on a focused Close closes; anywhere else it applies (keyPressEvent).
    close->setAutoDefault(true);
    WindowKeys::closeOnEscape(this);
    outer->addWidget(buttons);
    connect(m_apply, &QPushButton::clicked, this, [this] { apply(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    setMinimumWidth(440);
}

void FocusFilterWindow::showEvent(QShowEvent* event)
{
    fitToScreen();
    QWidget::showEvent(event);
}

void FocusFilterWindow::fitToScreen()
{
    // All of the form where the screen has room for it, else as much as fits with the window's frame.
    constexpr int kFrameAllowance = 40;
    const int form = m_scroll->widget()->sizeHint().height();
    int chrome = 0;
    QLayout* outer = layout();
    for (int i = 0; i < outer->count(); ++i)
        if (outer->itemAt(i)->widget() != m_scroll)
            chrome += outer->itemAt(i)->sizeHint().height() + outer->spacing();
    const QMargins margins = outer->contentsMargins();
    chrome += margins.top() + margins.bottom() + kFrameAllowance;
    const QScreen* where = screen();
    const int room = where ? where->availableGeometry().height() - chrome : form;
    m_scroll->setMinimumHeight(std::max(120, std::min(form, room)));
    adjustSize();
    if (where && frameGeometry().bottom() > where->availableGeometry().bottom())
        move(x(), where->availableGeometry().top());
}

void FocusFilterWindow::keyPressEvent(QKeyEvent* event)
{
    // A plain window has no dialog to press its default button: Enter reaches here when no control
    // took it.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
        m_apply->isEnabled()) {
        m_apply->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

QCheckBox* FocusFilterWindow::accountBox(const std::string& id) const
{
    const auto it = m_boxes.find(id);
    return it == m_boxes.end() ? nullptr : it->second;
}

QCheckBox* FocusFilterWindow::doNotDisturbAccountBox(const std::string& id) const
{
    const auto it = m_dndBoxes.find(id);
    return it == m_dndBoxes.end() ? nullptr : it->second;
}

void FocusFilterWindow::updateDoNotDisturbEnabled()
{
    m_dndGroup->setEnabled(m_dndEnabled->isChecked());
}

TarnwickFocusFilter FocusFilterWindow::filter() const
{
    TarnwickFocusFilter filter;
    for (const AccountEntity& account : m_accounts)
        if (m_boxes.at(account.id)->isChecked())
            filter.accounts.push_back(account);
    filter.disableExcludedAccounts = m_preventAccess->isChecked();
    return filter;
}

std::optional<FocusFilterState> FocusFilterWindow::doNotDisturbChoice() const
{
    if (!m_dndEnabled->isChecked())
        return std::nullopt;
    FocusFilterState state;
    for (const AccountEntity& account : m_accounts)
        if (m_dndBoxes.at(account.id)->isChecked())
            state.activeAccountIds.push_back(account.id);
    state.disableExcludedAccounts = m_dndPreventAccess->isChecked();
    return state;
}

bool FocusFilterWindow::saveDoNotDisturbChoice()
{
    const auto location = FocusFilterFile::doNotDisturbLocation(m_env.paths);
    if (!location) {
        m_status->setText(text(TarnwickFocusFilterError::kStateWriteFailedText));
        return false;
    }
    const auto choice = doNotDisturbChoice();
    std::error_code ec;
    if (choice) {
        ec = FocusFilterFile::write(*location, *choice, FocusFilterFile::now());
        if (!ec)
            m_env.logger.info("Saved the Do Not Disturb filter with " + std::to_string(choice->activeAccountIds.size()) +
                              " active account(s)");
    } else if (std::filesystem::remove(*location, ec) && !ec) {
        m_env.logger.info("Do Not Disturb no longer changes the Focus Filter");
    }
    if (ec) {
        m_env.logger.error("Failed to write " + std::string(FocusFilterFile::kDoNotDisturbFileName) + ": " + ec.message());
        m_status->setText(QStringLiteral("Failed to write %1: %2")
                              .arg(QString::fromUtf8(FocusFilterFile::kDoNotDisturbFileName.data(),
                                                     static_cast<int>(FocusFilterFile::kDoNotDisturbFileName.size())),
                                   QString::fromStdString(ec.message())));
        return false;
    }
    return true;
}

bool FocusFilterWindow::apply()
{
    bool ok = saveDoNotDisturbChoice();
    if (ok) {
        const TarnwickFocusFilter chosen = filter();
        if (const auto failure = chosen.perform(m_env)) {
            ok = false;
            if (std::holds_alternative<TarnwickFocusFilterError>(*failure))
                m_status->setText(text(TarnwickFocusFilterError::kStateWriteFailedText));
            else if (const auto* io = std::get_if<std::error_code>(&*failure))
                m_status->setText(QStringLiteral("Failed to write focus-filter.json: %1").arg(QString::fromStdString(io->message())));
            else
                m_status->setText(QStringLiteral("Saved the Focus Filter state but could not announce it: %1")
                                      .arg(QString::fromStdString(std::get<FocusFilterPostError>(*failure).reason)));
        } else {
            m_status->setText(QString::fromStdString(chosen.displayTitle() + " \u2014 " + chosen.displaySubtitle()));
        }
    }
    Q_EMIT applied(ok);
    return ok;
}

} // namespace tarnwick
