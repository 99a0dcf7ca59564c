#include "tarnwick/helper/generalpane.h"

#include <QComboBox>
#include <QVBoxLayout>

#include "tarnwick/helper/hotkeylabel.h"
#include "tarnwick/helper/preferencebinding.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/ui/defaulthandlerrowwidget.h"
#include "tarnwick/ui/linksbrowserpicker.h"
#include "tarnwick/ui/switchbutton.h"

namespace tarnwick {

using Field = SettingsModel::Field;
namespace PB = PreferenceBinding;

namespace {

std::vector<PB::Choice> hotkeyChoices()
{
    std::vector<PB::Choice> choices = {{QStringLiteral("Off"), Value("off")}};
    // The stored values are what the main application registers; the labels are this desktop's names.
    for (const char* stored : {"Alt+Command+C", "Control+Command+C", "Shift+Command+C", "Control+Alt+Command+C"})
        choices.push_back({QString::fromStdString(HotkeyLabel::text(stored)), Value(stored)});
    return choices;
}

} // namespace

GeneralPane::GeneralPane(SettingsModel& model, QWidget* parent)
    : PreferenceForm(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("generalPane"));
    addSwitch(PB::switchButton(model, Field::launchAtLogin, QStringLiteral("Launch Tarnwick at login")));
    addSeparator();
    addRow(QStringLiteral("Compose account:"),
           PB::comboBox(model, Field::composeAccountPicker,
                        {{QStringLiteral("Use active account"), Value("active")},
                         {QStringLiteral("Always ask"), Value("ask")}}),
           QStringLiteral("Applies to the main window, where the active account is on screen. A mailto: link, a "
                          "widget, the menu bar and the quick compose hotkey always ask, since none of them shows "
                          "you which account is active."));
    addRow(QStringLiteral("Quick compose hotkey:"),
           PB::comboBox(model, Field::quickComposeHotkey, hotkeyChoices()),
           QStringLiteral("Opens a compose window from any application. It always asks which account to send from "
                          "when there is more than one, since no account is on screen to be the active one."));
    addSeparator();

    m_links = new LinksBrowserPicker;
    m_links->setToolTip(QStringLiteral("Each account chooses its own Chromium profile in Accounts."));
    addWidget(m_links);
    auto refreshLinks = [this] { m_links->setState(m_model.browsers(), m_model.defaultBrowser(), m_model.openLinksIn()); };
    refreshLinks();
    connect(&model, &SettingsModel::fieldChanged, m_links, [refreshLinks](Field field) {
        if (field == Field::openLinksIn || field == Field::browsers || field == Field::defaultBrowser)
            refreshLinks();
    });
    connect(m_links, &LinksBrowserPicker::selectionChosen, this,
            [this](const std::string& value) { m_model.setOpenLinksIn(value); });

    addSwitch(PB::switchButton(model, Field::alwaysJoinInBrowser, QStringLiteral("Always open calls in the browser")),
              QStringLiteral("Zoom and Teams calls open in their desktop apps by default. Turn this on if you are "
                             "signed in to the meeting's account in a browser rather than in the desktop app."));
    addSeparator();

    m_handlerRows = new QWidget;
    m_handlerRows->setObjectName(QStringLiteral("handlerRows"));
    auto* rowsLayout = new QVBoxLayout(m_handlerRows);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    rowsLayout->setSpacing(6);
    addWidget(m_handlerRows);
    rebuildHandlerRows();
    connect(&model, &SettingsModel::fieldChanged, this, [this](Field field) {
        if (field == Field::handlerRows || field == Field::canClaimDefaults)
            rebuildHandlerRows();
    });
    finish();
}

void GeneralPane::showEvent(QShowEvent* event)
{
    PreferenceForm::showEvent(event);
    m_model.refreshHandlers();
}

void GeneralPane::rebuildHandlerRows()
{
    auto* layout = m_handlerRows->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            // Out of the tree now; deleted later, since a row's own click may have led here.
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }
    for (const HandlerRow& row : m_model.handlerRows()) {
        DefaultHandlerRow::Item item{row.id, row.label, row.handler, row.isTarnwick, row.claimProblem};
        auto* widget = new DefaultHandlerRowWidget(item, "Tarnwick", m_model.canClaimDefaults(), m_handlerRows);
        const DefaultHandler::Target target = row.target;
        connect(widget, &DefaultHandlerRowWidget::claimRequested, this, [this, target] { m_model.claimHandler(target); });
        layout->addWidget(widget);
        // Shown now rather than on the next turn, so the window sizes itself with the row in place.
        if (isVisible())
            widget->show();
    }
}

} // namespace tarnwick
