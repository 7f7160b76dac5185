// The SCPI server on QTcpServer.  Each connection feeds its bytes into its
// own session and sends the session's replies back; a short timer polls the
// sessions (pending operations such as a single shot, held *WAI / *OPC?) and
// resumes reading from a client that was held.
#include "ui/remote_server.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QHostAddress>
#include <QPixmap>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

#include "remote/scpi_status.h"
#include "ui/rt_core.h"
#include "ui/userint.h"

namespace
{

constexpr int kPollMs = 5;
constexpr qint64 kReadChunk = 1 << 16;
constexpr int kSendBuffer = 4 << 20;
constexpr qint64 kWriteSlice = 2 << 20;
constexpr std::size_t kLastCommandChars = 80;

struct Client {
    QPointer<QTcpSocket> socket;
    std::unique_ptr<scpi::Session> session;
    std::string line; // printable text of the message being received
    std::string out;  // replies not yet handed to the socket, from sent on
    std::size_t sent = 0;
    bool closed = false;
};

class Server : public QObject
{
public:
    explicit Server(const scpi::Tree &tree) : tree_(tree)
    {
        QObject::connect(&listener_, &QTcpServer::newConnection, this, [this] { Accept(); });
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        if (QCoreApplication *app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, this, [] { RemoteServer_Stop(); });
    }
    ~Server() override { CloseAll(); }

    bool Listen(int port, bool localOnly, std::string *error)
    {
        const QHostAddress address = localOnly ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(QHostAddress::Any);
        if (!listener_.listen(address, static_cast<quint16>(port))) {
            if (error)
                *error = listener_.errorString().toStdString();
            return false;
        }
        listener_.setMaxPendingConnections(scpi::kMaxClients + 2);
        timer_.start(kPollMs);
        return true;
    }

    int Port() const { return listener_.isListening() ? listener_.serverPort() : 0; }
    int Count() const
    {
        int n = 0;
        for (const auto &c : clients_)
            n += c->closed ? 0 : 1;
        return n;
    }
    std::string last;
    void (*notify)(void) = nullptr;

private:
    const scpi::Tree &tree_;
    QTcpServer listener_;
    QTimer timer_;
    std::vector<std::unique_ptr<Client>> clients_;
    int depth_ = 0; // commands running (a command may process events)

    void Notify()
    {
        if (notify)
            notify();
    }

    void Accept()
    {
        while (QTcpSocket *socket = listener_.nextPendingConnection()) {
            if (Count() >= scpi::kMaxClients) {
                // Refused: closed at once, nothing read.
                socket->abort();
                socket->deleteLater();
                continue;
            }
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            // Waveforms are tens of megabytes: a large send buffer lets the
            // kernel take more of one per write.
            socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSendBuffer);
            auto client = std::make_unique<Client>();
            client->socket = socket;
            scpi::SessionLimits limits;
            limits.framer.maxBlock = RemoteServer_MaxBlock();
            client->session = std::make_unique<scpi::Session>(tree_, limits);
            Client *raw = client.get();
            clients_.push_back(std::move(client));
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, raw] { Serve(raw); });
            QObject::connect(socket, &QTcpSocket::bytesWritten, this, [this, raw] {
                if (depth_ == 0 && !raw->closed)
                    Flush(raw);
            });
            QObject::connect(socket, &QTcpSocket::disconnected, this, [this, raw] {
                raw->closed = true;
                Notify();
            });
            Notify();
        }
    }

    void NoteText(Client *c, const char *data, qint64 n)
    {
        bool ended = false;
        for (qint64 i = 0; i < n; ++i) {
            const char ch = data[i];
            if (ch == '\n') {
                if (!c->line.empty())
                    last = c->line;
                c->line.clear();
                ended = true;
            } else if (ch >= 0x20 && ch < 0x7f && c->line.size() < kLastCommandChars) {
                c->line.push_back(ch);
            }
        }
        if (ended)
            Notify();
    }

    // Reads what the client sent while its session takes input, runs it and
    // sends the replies.
    void Serve(Client *c)
    {
        if (depth_ > 0 || c->closed || !c->socket)
            return; // the timer comes back to it
        ++depth_;
        char buffer[kReadChunk];
        // A client that does not read its replies is not read either.
        while (c->socket && !c->closed && c->session->AcceptsInput() && c->out.size() - c->sent < kWriteSlice &&
               c->socket->bytesAvailable() > 0) {
            const qint64 n = c->socket->read(buffer, sizeof buffer);
            if (n <= 0)
                break;
            NoteText(c, buffer, n);
            c->session->Feed(buffer, static_cast<std::size_t>(n));
            Flush(c);
        }
        --depth_;
    }

    // Replies go to the socket a slice at a time, as the socket drains, so
    // a waveform of tens of megabytes is not copied whole into the socket's
    // own buffer.
    void Flush(Client *c)
    {
        if (c->session->HasOutput()) {
            if (c->sent == c->out.size()) {
                c->out = c->session->TakeOutput();
                c->sent = 0;
            } else {
                c->out.erase(0, c->sent);
                c->sent = 0;
                c->out += c->session->TakeOutput();
            }
        }
        if (!c->socket || c->closed || c->socket->state() != QAbstractSocket::ConnectedState) {
            c->out.clear();
            c->sent = 0;
            return;
        }
        while (c->sent < c->out.size() && c->socket->bytesToWrite() < kWriteSlice) {
            const std::size_t n = std::min<std::size_t>(kWriteSlice, c->out.size() - c->sent);
            const qint64 written = c->socket->write(c->out.data() + c->sent, static_cast<qint64>(n));
            if (written <= 0)
                break;
            c->sent += static_cast<std::size_t>(written);
        }
        if (c->sent == c->out.size()) {
            c->out.clear();
            c->sent = 0;
        }
    }

    void Tick()
    {
        if (depth_ > 0)
            return;
        ++depth_;
        for (std::size_t i = 0; i < clients_.size(); ++i) {
            Client *c = clients_[i].get();
            if (c->closed)
                continue;
            c->session->Poll();
            Flush(c);
        }
        --depth_;
        for (std::size_t i = 0; i < clients_.size(); ++i)
            Serve(clients_[i].get());
        // Connections that ended: their sessions go with them.
        bool removed = false;
        for (auto it = clients_.begin(); it != clients_.end();) {
            if ((*it)->closed || !(*it)->socket) {
                if ((*it)->socket)
                    (*it)->socket->deleteLater();
                it = clients_.erase(it);
                removed = true;
            } else {
                ++it;
            }
        }
        if (removed)
            Notify();
    }

public:
    void CloseAll()
    {
        timer_.stop();
        listener_.close();
        for (auto &c : clients_) {
            if (c->socket) {
                c->socket->disconnect(this);
                c->socket->abort();
                c->socket->deleteLater();
            }
            c->closed = true;
        }
        // A command running now (one that let events through) still uses
        // its session: the sessions go with this object, later.
        if (depth_ == 0)
            clients_.clear();
    }
};

Server *server = nullptr;
void (*notifyRoutine)(void) = nullptr;
std::string lastCommand;
std::size_t maxBlock = scpi::FramerLimits{}.maxBlock;

} // namespace

std::size_t RemoteServer_MaxBlock(void)
{
    return maxBlock;
}

void RemoteServer_SetMaxBlock(std::size_t bytes)
{
    maxBlock = bytes;
}

int RemoteServer_Start(const scpi::Tree &tree, int port, int localOnly, std::string *error)
{
    RemoteServer_Stop();
    if (port < 0 || port > 65535) {
        if (error)
            *error = "port out of range";
        return -1;
    }
    auto s = std::make_unique<Server>(tree);
    s->notify = notifyRoutine;
    s->last = lastCommand;
    if (!s->Listen(port, localOnly != 0, error))
        return -1;
    server = s.release();
    if (notifyRoutine)
        notifyRoutine();
    return 0;
}

void RemoteServer_Stop(void)
{
    if (!server)
        return;
    lastCommand = server->last;
    Server *s = server;
    server = nullptr;
    // The port is free at once; the object goes when the event loop is back.
    s->CloseAll();
    s->deleteLater();
    if (notifyRoutine)
        notifyRoutine();
}

int RemoteServer_Listening(void)
{
    return server ? 1 : 0;
}

int RemoteServer_Port(void)
{
    return server ? server->Port() : 0;
}

int RemoteServer_ClientCount(void)
{
    return server ? server->Count() : 0;
}

std::string RemoteServer_LastCommand(void)
{
    return server ? server->last : lastCommand;
}

void RemoteServer_SetNotify(void (*notify)(void))
{
    notifyRoutine = notify;
    if (server)
        server->notify = notify;
}

int RemoteServer_PanelImage(int panelHandle, std::string *png)
{
    uirt::Panel *p = uirt::panel(panelHandle);
    if (!p || !p->content || !png)
        return UIE_BAD_PANEL;
    const QPixmap image = p->content->grab();
    if (image.isNull())
        return UIE_IO_ERROR;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return UIE_IO_ERROR;
    png->assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return 0;
}

