// SPDX-License-Identifier: MIT
// The panel's state and behaviour, free of widgets: the window variables,
// the four timers, the serial port and every handler of the main window.
// The window (src/app) forwards its events here and shows what this object
// publishes: the three traffic lines, the settings panel, the window height
// and the data-display button.
//
// One click on STATUS, as it passes through:
//   clickCommand(STATUS)  -> lastCommand "CR0\r" -> Hyouji(send) -> port, TXD " C R 0 CR "
//   port receives "00\r"  -> receive() -> Hyouji(receive) -> RXD " 0 0 CR ", STATUS " Power ON"
//   500 ms later          -> closeReplyWindow(); 1000 ms later -> clearTrafficDisplay()
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <string_view>

namespace runo {

class MSComm;
struct CommandButton;
struct HoldButton;

class Panel : public QObject {
    Q_OBJECT
public:
    // Hyouji's modes.
    enum class HyoujiMode : std::uint8_t { Send = 1, Receive = 2 };

    // Outer window heights in twips.
    static constexpr int kCompactHeight = 5350;
    static constexpr int kDataViewHeight = 6645;
    static constexpr int kExtendedViewHeight = 7200;
    static constexpr int kFullViewHeight = 9100;
    static constexpr int kTallWindowHeight = 6000;

    // cursorMode: how the cursor-pad arrows time their reply window
    // (the intervals are in commands/timing.h).
    static constexpr std::uint8_t kCursorModeMenu = 1; // after MENU ON or A-PC Adj
    static constexpr std::uint8_t kCursorModeFast = 3; // after a D.Zoom release

    // Received data past this many characters with no reply window closing
    // is dropped, so a flood never grows memory or slows the window.
    static constexpr qsizetype kReceiveBufferLimit = 4096;

    static constexpr std::string_view kNoReplyMarker = " X X X X";
    static constexpr std::string_view kShowDataCaption = "データを表示する";
    static constexpr std::string_view kHideDataCaption = "データを表示しない";
    static constexpr std::string_view kCloseCaption = "CLOSE";

    explicit Panel(MSComm* port, QObject* parent = nullptr);
    ~Panel() override;

    // Window load: initial state, compact height, port opened on COM1,
    // then COM1 selected from code.
    void load();

    // Settings panel and end of the program.
    void selectPort(int port); // Option1 / Option2 click
    void selectSpeed(int baud); // Option9 / Option10 click
    void showSettingsPanel(); // Command33 "COM"
    // The device behind COM1 or COM2, chosen from the menu on "COM": set in
    // the port's map for this run and announced (portChoiceMade) for the
    // program to remember; the port in use is reopened on it at once. A name
    // with a control character in it is refused with a warning.
    void assignDevice(int port, const QString& device);
    void end(); // Command16 "END"

    // Operator commands.
    void clickCommand(const CommandButton& button);
    void pressHold(const HoldButton& button);
    void releaseHold(const HoldButton& button);
    void sendFreeCommand(const QString& text); // Command95 "SEND"
    void toggleDataDisplay(); // Command34
    // Key down on the window; returns whether the key was the chord. The key
    // goes on to the focused control either way.
    bool keyDown(int key, Qt::KeyboardModifiers modifiers);
    void doubleClickLogo(); // Image1

    // The one routine through which every command line leaves and every
    // received text reaches the screen.
    void Hyouji(const QByteArray& text, HyoujiMode mode);

    // Events of the serial port and the timers.
    void receive(); // MSComm1 OnComm
    void repeatHeldCommand(); // Timer1 tick
    void closeReplyWindow(); // Timer2 tick
    void hideSettingsPanel(); // Timer3 tick
    void clearTrafficDisplay(); // Timer4 tick
    void closeReleasedWindow(); // the rest of a released hold's window has passed
    // An open the port finished in the background (a network port) failed:
    // reported as the open that asked for it would have been.
    void reportOpenFailure(); // MSComm1 openFailed

    // Window state.
    const QByteArray& lastCommand() const { return m_lastCommand; }
    const QByteArray& commandPrefix() const { return m_commandPrefix; }
    // Whether what came back for the last command is a whole reply by its
    // form: up to a CR, or, for a line that reads nothing (an operation, a
    // setting), an ACK; a read command's data ends at its CR only.
    //   "CR0\r", "80\r" -> true    "CR0\r", "\x06" -> false    "C00\r", "\x06" -> true
    bool replyComplete(QByteArrayView received) const;
    // What a program keeps of a reply: the first kReceiveBufferLimit bytes.
    // Appends what of bytes still fits to kept; returns how many did not.
    static qsizetype keepReply(QByteArray& kept, QByteArrayView bytes);
    const QByteArray& receiveBuffer() const { return m_receiveBuffer; }
    std::uint8_t awaitingReply() const { return m_awaitingReply; }
    std::uint8_t holdCode() const { return m_holdCode; }
    std::uint8_t cursorMode() const { return m_cursorMode; }
    const QString& portSettings() const { return m_portSettings; }
    const QString& freeCommandText() const { return m_freeCommandText; }
    int extendedViewArmed() const { return m_extendedViewArmed; }

    // What the window shows.
    const QString& transmitLine() const { return m_transmitLine; } // Label11
    const QString& receiveLine() const { return m_receiveLine; } // Label12
    const QString& statusLine() const { return m_statusLine; } // Label22
    bool settingsPanelVisible() const { return m_settingsPanelVisible; } // Frame8
    int windowHeight() const { return m_windowHeight; }
    const QString& dataButtonCaption() const { return m_dataButtonCaption; } // Command34
    bool dataButtonVisible() const { return m_dataButtonVisible; }

    MSComm* port() const { return m_port; }
    // By the window's names: 1 repeat, 2 reply, 3 settings panel, 4 display clear.
    const QTimer& timer(int number) const;
    const QTimer& repeatTimer() const { return m_repeatTimer; } // Timer1
    const QTimer& replyTimer() const { return m_replyTimer; } // Timer2
    // A reply window other than the commands' own, for runoctl --timeout:
    // in force from now (a running window starts afresh) until a command or
    // a release sets its own.
    void setReplyWindow(int ms) { m_replyTimer.setInterval(ms); }

signals:
    void transmitLineChanged(const QString& text);
    void receiveLineChanged(const QString& text);
    void statusLineChanged(const QString& text);
    void settingsPanelVisibleChanged(bool visible);
    void windowHeightChanged(int twips);
    void dataButtonChanged();
    void portOptionSelected(int port); // a port option selected from code
    void speedOptionSelected(int baud); // a speed option selected from code
    // A port failure to show in a warning box; the handler waits for it.
    void warning(const QString& text);
    void ended();
    // A device chosen for COM1 or COM2 (absolute, as the map keeps it), for
    // the program to remember for its next runs.
    void portChoiceMade(int com, const QString& device);

    // What happened on the line, for a program that drives the panel
    // (runoctl, a bridge). Each comes once the panel's own state and lines
    // show it, and none is raised for what the panel did not attempt.
    //   lineSent("CR0\r")         the whole line was handed to the port (a
    //                             network port still connecting sends it once
    //                             connected); the reply window has started
    //   lineRefused("C09\r", why) nothing of the line went out: the port is
    //                             closed and would not open, a port choice
    //                             failed, or the port refused it (why: the
    //                             port's reason); the window runs as for any
    //                             line, to its no-reply marker
    //   replyReceived("80\r")     bytes read from the port, all of them in
    //                             arrival order, also those past the receive
    //                             buffer's bound or outside any window
    //   replyWindowClosed(true)    the reply window of the last line has
    //                             closed and something came in it; false:
    //                             nothing came (the reply timer then shows the
    //                             no-reply marker). Raised for every window
    //                             but one that END or the next line cuts short.
    //
    // A hold's release: the window shows nothing more of the last line (the
    // release stops the reply timer and blanks TXD and RXD, as the operator
    // sees it), but that line still has the rest of the reply window the
    // press set. replyWindowClosed follows when the rest has passed, unless
    // another line goes out first; the window shows nothing at that moment.
    //   press VOL + at 0, release at 1010   lines at 0, 250, 500, 750, 1000;
    //                                       the last window closes at 1200
    void lineSent(const QByteArray& line);
    void lineRefused(const QByteArray& line, const QString& reason);
    void replyReceived(const QByteArray& bytes);
    void replyWindowClosed(bool replied);

private:
    // How a failure of the open that a network port may still be making is
    // reported: as the open that asked for it would have reported its own.
    enum class LateFailure { Quiet, Warning, FailedChoice };

    void choosePort(int port, bool openIfClosed);
    void send(std::string_view commandText);
    void sendLine(const QByteArray& line);
    void setTransmitLine(const QString& text);
    void setReceiveLine(const QString& text);
    void setStatusLine(const QString& text);
    void setSettingsPanelVisible(bool visible);
    void setWindowHeight(int twips);
    void setDataButton(std::string_view caption, bool visible);
    static void enable(QTimer& timer);

    MSComm* m_port; // MSComm1
    QTimer m_repeatTimer; // Timer1
    QTimer m_replyTimer; // Timer2
    QTimer m_settingsPanelTimer; // Timer3
    QTimer m_displayClearTimer; // Timer4
    QTimer m_releasedWindow; // the rest of the last line's window after a release; shows nothing

    QByteArray m_lastCommand;
    QByteArray m_commandPrefix;
    QByteArray m_receiveBuffer;
    std::uint8_t m_awaitingReply = 0;
    std::uint8_t m_holdCode = 0;
    std::uint8_t m_cursorMode = 0;
    QString m_portSettings;
    bool m_portChoiceFailed = false; // sends write nothing until a port choice succeeds
    LateFailure m_lateFailure = LateFailure::Quiet;
    QString m_freeCommandText;
    int m_extendedViewArmed = 0;

    QString m_transmitLine;
    QString m_receiveLine;
    QString m_statusLine;
    bool m_settingsPanelVisible = false;
    int m_windowHeight = 0;
    QString m_dataButtonCaption;
    bool m_dataButtonVisible = false;
};

} // namespace runo
