#include "shell/FrmStageRemote.h"

#include "shell/QrCode.h"
#include "shell/StageRemote.h"
#include "shell/ViewSettings.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ksr {

namespace {

QString RightsText(RemoteRights rights)
{
    return rights == RemoteRights::Control ? QStringLiteral("full control") : QStringLiteral("watch only");
}

// A pairing link's group: its QR code, its text and a Copy button.
QGroupBox *LinkGroup(const QString &title, const QString &name, QLabel *&code, QLineEdit *&link, QWidget *parent)
{
    auto *group = new QGroupBox(title, parent);
    auto *grid = new QGridLayout(group);
    code = new QLabel(group);
    code->setObjectName(name + QStringLiteral("Code"));
    code->setAccessibleName(title + QStringLiteral(" QR code"));
    code->setAlignment(Qt::AlignCenter);
    link = new QLineEdit(group);
    link->setObjectName(name + QStringLiteral("Link"));
    link->setAccessibleName(title + QStringLiteral(" link"));
    link->setReadOnly(true);
    auto *copy = new QPushButton(QStringLiteral("Copy"), group);
    copy->setAccessibleName(QStringLiteral("Copy the %1 link").arg(title.toLower()));
    QLineEdit *text = link;
    QObject::connect(copy, &QPushButton::clicked, group, [text] { QGuiApplication::clipboard()->setText(text->text()); });
    grid->addWidget(code, 0, 0, 1, 2);
    grid->addWidget(link, 1, 0);
    grid->addWidget(copy, 1, 1);
    return group;
}

} // namespace

FrmStageRemote::FrmStageRemote(StageRemote &remote, const ViewSettings &settings, QWidget *parent)
    : QWidget(parent, Qt::Tool), remote_(remote), settings_(settings)
{
    setObjectName(QStringLiteral("FrmStageRemote"));
    setWindowTitle(QStringLiteral("Stage remote"));
    auto *layout = new QVBoxLayout(this);

    auto *warning = new QLabel(QStringLiteral(
        "<b>For the show's own network only.</b> Whoever opens the full-control link can start searches and change "
        "the feedback filters; the watch-only link shows them. Give the links only to the people at the show, and "
        "press New codes when they should no longer get in."), this);
    warning->setObjectName(QStringLiteral("NetworkWarning"));
    warning->setWordWrap(true);
    layout->addWidget(warning);

    auto *form = new QFormLayout;
    RemoteOn = new QCheckBox(QStringLiteral("Remote on"), this);
    RemoteOn->setObjectName(QStringLiteral("RemoteOn"));
    form->addRow(RemoteOn);
    Port = new QSpinBox(this);
    Port->setObjectName(QStringLiteral("RemotePort"));
    Port->setAccessibleName(QStringLiteral("Port"));
    Port->setRange(1024, 65535);
    Port->setValue(settings_.RemotePort());
    form->addRow(QStringLiteral("Port"), Port);
    Address = new QComboBox(this);
    Address->setObjectName(QStringLiteral("RemoteAddress"));
    Address->setAccessibleName(QStringLiteral("Address"));
    Address->addItem(QStringLiteral("Every address of this machine"), QString());
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            Address->addItem(address.toString(), address.toString());
    }
    if (const int saved = Address->findData(settings_.RemoteAddress()); saved >= 0)
        Address->setCurrentIndex(saved);
    form->addRow(QStringLiteral("Address"), Address);
    layout->addLayout(form);

    Listening = new QLabel(this);
    Listening->setObjectName(QStringLiteral("Listening"));
    Listening->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Listening->setWordWrap(true);
    layout->addWidget(Listening);
    Problem = new QLabel(this);
    Problem->setObjectName(QStringLiteral("Problem"));
    Problem->setWordWrap(true);
    Problem->hide();
    layout->addWidget(Problem);

    LinkHost = new QComboBox(this);
    LinkHost->setObjectName(QStringLiteral("LinkHost"));
    LinkHost->setAccessibleName(QStringLiteral("Links for the address"));
    layout->addWidget(LinkHost);
    auto *links = new QHBoxLayout;
    links->addWidget(LinkGroup(QStringLiteral("Full control"), QStringLiteral("Control"), ControlCode, ControlLink, this));
    links->addWidget(LinkGroup(QStringLiteral("Watch only"), QStringLiteral("Watch"), WatchCode, WatchLink, this));
    layout->addLayout(links);
    NewCodes = new QPushButton(QStringLiteral("New codes"), this);
    NewCodes->setObjectName(QStringLiteral("NewCodes"));
    NewCodes->setToolTip(QStringLiteral("Ends both links and disconnects every client"));
    layout->addWidget(NewCodes, 0, Qt::AlignLeft);

    ClientList = new QTableWidget(0, 5, this);
    ClientList->setObjectName(QStringLiteral("ClientList"));
    ClientList->setAccessibleName(QStringLiteral("Connected clients"));
    ClientList->setHorizontalHeaderLabels({QStringLiteral("Address"), QStringLiteral("Browser"), QStringLiteral("Rights"),
                                           QStringLiteral("Since"), QStringLiteral("Last action")});
    ClientList->setSelectionBehavior(QAbstractItemView::SelectRows);
    ClientList->setSelectionMode(QAbstractItemView::SingleSelection);
    ClientList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ClientList->horizontalHeader()->setStretchLastSection(true);
    ClientList->verticalHeader()->hide();
    layout->addWidget(ClientList);
    DisconnectClient = new QPushButton(QStringLiteral("Disconnect"), this);
    DisconnectClient->setObjectName(QStringLiteral("DisconnectClient"));
    layout->addWidget(DisconnectClient, 0, Qt::AlignLeft);

    RemoteOn->setChecked(remote_.Server().Running());
    connect(RemoteOn, &QCheckBox::toggled, this, [this](bool on) { SetRemoteOn(on); });
    connect(NewCodes, &QPushButton::clicked, this, [this] {
        remote_.Server().NewCodes();
        Refresh();
    });
    connect(DisconnectClient, &QPushButton::clicked, this, [this] {
        const int row = ClientList->currentRow();
        if (row >= 0)
            remote_.Server().Disconnect(ClientList->item(row, 0)->data(Qt::UserRole).toULongLong());
    });
    connect(LinkHost, &QComboBox::currentIndexChanged, this, [this] { ShowLinks(); });
    connect(&remote_.Server(), &StageServer::ClientsChanged, this, [this] { ShowClients(); });
    Refresh();
}

QString FrmStageRemote::ChosenAddress() const
{
    return Address->currentData().toString();
}

void FrmStageRemote::SetRemoteOn(bool on)
{
    Problem->hide();
    if (on) {
        const QString address = ChosenAddress();
        QString error;
        if (!remote_.TurnOn(address.isEmpty() ? QHostAddress() : QHostAddress(address),
                            static_cast<quint16>(Port->value()), &error)) {
            Problem->setText(QStringLiteral("The remote could not listen on port %1: %2").arg(Port->value()).arg(error));
            Problem->show();
            const QSignalBlocker quiet(RemoteOn);
            RemoteOn->setChecked(false);
            on = false;
        }
    } else {
        remote_.TurnOff();
    }
    settings_.SaveRemote(on, Port->value(), ChosenAddress());
    Refresh();
}

void FrmStageRemote::Refresh()
{
    const bool on = remote_.Server().Running();
    {
        const QSignalBlocker quiet(RemoteOn);
        RemoteOn->setChecked(on);
    }
    Port->setEnabled(!on);
    Address->setEnabled(!on);
    QStringList addresses;
    const QStringList hosts = on ? remote_.Hosts() : QStringList();
    for (const QString &host : hosts)
        addresses << QStringLiteral("http://%1:%2/").arg(host).arg(remote_.Server().Port());
    Listening->setText(on ? QStringLiteral("Listening on ") + addresses.join(QStringLiteral(", "))
                          : QStringLiteral("The remote is off."));
    {
        const QSignalBlocker quiet(LinkHost);
        const QString current = LinkHost->currentText();
        LinkHost->clear();
        LinkHost->addItems(hosts);
        if (const int again = LinkHost->findText(current); again >= 0)
            LinkHost->setCurrentIndex(again);
        LinkHost->setVisible(hosts.size() > 1);
    }
    NewCodes->setEnabled(on);
    ShowLinks();
    ShowClients();
}

void FrmStageRemote::ShowLinks()
{
    const bool on = remote_.Server().Running() && LinkHost->count() > 0;
    const auto show = [&](RemoteRights rights, QLabel *code, QLineEdit *link) {
        const QString text = on ? remote_.Link(LinkHost->currentText(), rights) : QString();
        link->setText(text);
        code->setPixmap(on ? QPixmap::fromImage(QrCodeImage(text, 4)) : QPixmap());
    };
    show(RemoteRights::Control, ControlCode, ControlLink);
    show(RemoteRights::Watch, WatchCode, WatchLink);
}

void FrmStageRemote::ShowClients()
{
    const QList<RemoteClientInfo> clients = remote_.Server().Clients();
    ClientList->setRowCount(static_cast<int>(clients.size()));
    for (int row = 0; row < clients.size(); ++row) {
        const RemoteClientInfo &client = clients[row];
        const QStringList cells = {client.address, client.browser, RightsText(client.rights),
                                   client.since.toString(QStringLiteral("HH:mm:ss")), client.lastAction};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(client.id));
            ClientList->setItem(row, column, item);
        }
    }
    DisconnectClient->setEnabled(!clients.isEmpty());
}

} // namespace ksr
