<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>SimServer</name>
    <message>
        <source>unsupported baud rate %1</source>
        <translation>対応していないボーレートです: %1</translation>
    </message>
    <message>
        <source>%1 is not a terminal device</source>
        <translation>%1 は端末デバイスではありません</translation>
    </message>
</context>
<context>
    <name>runo-bridge</name>
    <message>
        <source>Try &apos;runo-bridge --help&apos;.</source>
        <translation>詳しくは &apos;runo-bridge --help&apos; を参照してください。</translation>
    </message>
    <message>
        <source>Makes the projector on the line a PJLink projector on the network (TCP port
4352) and shares the line with the panel and runoctl. Every request becomes
one exchange on the line, one at a time, in arrival order.

Exit status: 2 for a wrong invocation or a missing password, 3 when the
line cannot be opened or a port cannot be listened on.</source>
        <translation>回線上のプロジェクターをネットワーク上の PJLink プロジェクター (TCP ポート 4352)
として公開し、回線をパネルや runoctl と共有します。要求はそれぞれ回線上の
1 回のやり取りとなり、到着順に 1 つずつ処理されます。

終了ステータス: 2 起動方法の誤りまたはパスワードの指定なし、3 回線を開けない
かポートで待ち受けできない。</translation>
    </message>
    <message>
        <source>Show this help.</source>
        <translation>このヘルプを表示します。</translation>
    </message>
    <message>
        <source>Show the version.</source>
        <translation>バージョンを表示します。</translation>
    </message>
    <message>
        <source>The projector&apos;s line: COM1, COM2, a device path, socket://HOST:PORT or rfc2217://HOST:PORT (default COM1).</source>
        <translation>プロジェクターの回線: COM1、COM2、デバイスのパス、socket://HOST:PORT または rfc2217://HOST:PORT (既定値 COM1)。</translation>
    </message>
    <message>
        <source>Line speed, 19200 or 9600 (default 19200).</source>
        <translation>通信速度: 19200 または 9600 (既定値 19200)。</translation>
    </message>
    <message>
        <source>Serve PJLink on [ADDR:]PORT (default: all addresses, 4352).</source>
        <translation>[ADDR:]PORT で PJLink を提供します (既定値: 全アドレス、4352)。</translation>
    </message>
    <message>
        <source>The PJLink password, the first line of &lt;file&gt;.</source>
        <translation>PJLink のパスワード (&lt;file&gt; の 1 行目)。</translation>
    </message>
    <message>
        <source>Serve PJLink without authentication.</source>
        <translation>認証なしで PJLink を提供します。</translation>
    </message>
    <message>
        <source>Share the raw line on [ADDR:]PORT (127.0.0.1 when only a port is given).</source>
        <translation>[ADDR:]PORT で回線をそのまま共有します (ポートのみ指定時は 127.0.0.1)。</translation>
    </message>
    <message>
        <source>The answer to NAME ? (default runo-bridge).</source>
        <translation>NAME ? への応答 (既定値 runo-bridge)。</translation>
    </message>
    <message>
        <source>The answer to INF2 ? when the projector does not give its own.</source>
        <translation>プロジェクター自身が返さないときの INF2 ? への応答。</translation>
    </message>
    <message>
        <source>Close a PJLink connection idle for &lt;seconds&gt; (default 30).</source>
        <translation>&lt;seconds&gt; 秒間操作のない PJLink 接続を閉じます (既定値 30)。</translation>
    </message>
    <message>
        <source>unexpected argument %1</source>
        <translation>不要な引数です: %1</translation>
    </message>
    <message>
        <source>--speed takes 19200 or 9600</source>
        <translation>--speed には 19200 または 9600 を指定してください</translation>
    </message>
    <message>
        <source>--idle takes a whole number of seconds, 1 or more</source>
        <translation>--idle には 1 以上の整数の秒数を指定してください</translation>
    </message>
    <message>
        <source>--pjlink takes [ADDR:]PORT, not &quot;%1&quot;</source>
        <translation>--pjlink には [ADDR:]PORT を指定してください (&quot;%1&quot; は不可)</translation>
    </message>
    <message>
        <source>--share takes [ADDR:]PORT, not &quot;%1&quot;</source>
        <translation>--share には [ADDR:]PORT を指定してください (&quot;%1&quot; は不可)</translation>
    </message>
    <message>
        <source>a PJLink password is needed: --password-file FILE, or --no-password to serve without one</source>
        <translation>PJLink のパスワードが必要です: --password-file FILE を指定するか、パスワードなしで提供するには --no-password を指定してください</translation>
    </message>
    <message>
        <source>%1: the first line, the password, is empty</source>
        <translation>%1: 1 行目 (パスワード) が空です</translation>
    </message>
    <message>
        <source>warning: %1 can be read by other users; make it readable by its owner alone (chmod 600)</source>
        <translation>警告: %1 は他のユーザーも読み取れます。所有者だけが読めるようにしてください (chmod 600)</translation>
    </message>
    <message>
        <source>PJLink port %1: %2</source>
        <translation>PJLink ポート %1: %2</translation>
    </message>
    <message>
        <source>the PJLink search on UDP port %1 is off: %2</source>
        <translation>UDP ポート %1 での PJLink 検索は無効です: %2</translation>
    </message>
    <message>
        <source>share port %1: %2</source>
        <translation>共有ポート %1: %2</translation>
    </message>
    <message>
        <source>Append one line per exchange on the line to &lt;file&gt;, tab-separated: time, port, result, sent, received, status.</source>
        <translation>回線でのやり取りごとに 1 行を &lt;file&gt; に追記します (タブ区切り: 時刻、ポート、結果、送信、受信、ステータス)。</translation>
    </message>
    <message>
        <source>Send PJLink status notifications to HOST[:PORT] (port 4352 by default); may be given more than once.</source>
        <translation>PJLink の状態通知を HOST[:PORT] に送ります (ポートの既定は 4352)。複数回指定できます。</translation>
    </message>
    <message>
        <source>Read status, mode, mute, lamp and temperatures every &lt;seconds&gt;, behind every request (default: never).</source>
        <translation>状態、モード、ミュート、ランプ、温度を &lt;seconds&gt; ごとに、どの要求よりも後に読みます (既定: 読まない)。</translation>
    </message>
    <message>
        <source>--notify takes HOST[:PORT] of a host that can be found, not &quot;%1&quot;</source>
        <translation>--notify には見つかるホストの HOST[:PORT] を指定してください (&quot;%1&quot; ではなく)</translation>
    </message>
    <message>
        <source>--watch takes a whole number of seconds, 1 to 86400</source>
        <translation>--watch には 1 から 86400 までの整数の秒数を指定してください</translation>
    </message>
    <message>
        <source>--%1 may not hold a control character: &quot;%2&quot;</source>
        <translation>--%1 に制御文字は使えません: &quot;%2&quot;</translation>
    </message>
    <message>
        <source>--%1 is cut to PJLink&apos;s %2 bytes: &quot;%3&quot;</source>
        <translation>--%1 は PJLink の上限の %2 バイトに切り詰めます: &quot;%3&quot;</translation>
    </message>
    <message>
        <source>%1: the password is longer than PJLink&apos;s 32 bytes</source>
        <translation>%1: パスワードが PJLink の上限の 32 バイトを超えています</translation>
    </message>
    <message>
        <source>web port %1: %2</source>
        <translation>Web ポート %1: %2</translation>
    </message>
    <message>
        <source>Serve the web page and its API on [ADDR:]PORT (where PJLink listens when only a port is given).</source>
        <translation>Web ページとその API を [ADDR:]PORT で提供します (ポートだけのときは PJLink と同じアドレス)。</translation>
    </message>
    <message>
        <source>Serve the web page over HTTPS with this certificate chain (PEM).</source>
        <translation>この証明書チェーン (PEM) で Web ページを HTTPS で提供します。</translation>
    </message>
    <message>
        <source>The private key of --tls-cert (PEM).</source>
        <translation>--tls-cert の秘密鍵 (PEM)。</translation>
    </message>
    <message>
        <source>--http takes [ADDR:]PORT, not &quot;%1&quot;</source>
        <translation>--http には [ADDR:]PORT を指定してください (&quot;%1&quot; は不可)</translation>
    </message>
    <message>
        <source>--tls-cert and --tls-key go together</source>
        <translation>--tls-cert と --tls-key は一緒に指定します</translation>
    </message>
    <message>
        <source>--tls-cert and --tls-key need --http</source>
        <translation>--tls-cert と --tls-key には --http が必要です</translation>
    </message>
    <message>
        <source>%1: no PEM certificate</source>
        <translation>%1: PEM 証明書がありません</translation>
    </message>
    <message>
        <source>%1: no PEM private key (RSA or EC, without a passphrase)</source>
        <translation>%1: PEM 秘密鍵がありません (RSA または EC、パスフレーズなし)</translation>
    </message>
    <message>
        <source>warning: --no-password: the web page lets anyone who reaches it use the projector</source>
        <translation>警告: --no-password: Web ページに届く人は誰でもプロジェクターを操作できます</translation>
    </message>
</context>
<context>
    <name>runo-control</name>
    <message>
        <source>cannot write the output</source>
        <translation>出力を書き込めません</translation>
    </message>
    <message>
        <source>Control panel for a data projector on an RS-232C serial port.</source>
        <translation>RS-232C シリアルポートにつないだデータプロジェクターの操作パネル。</translation>
    </message>
    <message>
        <source>Show this help.</source>
        <translation>このヘルプを表示します。</translation>
    </message>
    <message>
        <source>Show the version.</source>
        <translation>バージョンを表示します。</translation>
    </message>
    <message>
        <source>The device behind COM1 for this run: a path, or socket://HOST:PORT or rfc2217://HOST:PORT.</source>
        <translation>今回の実行で COM1 に割り当てるデバイス: パス、または socket://HOST:PORT か rfc2217://HOST:PORT。</translation>
    </message>
    <message>
        <source>The device behind COM2 for this run.</source>
        <translation>今回の実行で COM2 に割り当てるデバイス。</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>不要な引数です: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>no display: set DISPLAY or WAYLAND_DISPLAY, or run it from a desktop session</source>
        <translation>ディスプレイがありません: DISPLAY か WAYLAND_DISPLAY を設定するか、デスクトップセッションから起動してください</translation>
    </message>
    <message>
        <source>Usage: runo-control [--com1 DEVICE] [--com2 DEVICE] [--log FILE]
Try &apos;runo-control --help&apos; for more information.
</source>
        <translation>使い方: runo-control [--com1 DEVICE] [--com2 DEVICE] [--log FILE]
詳しくは &apos;runo-control --help&apos; を参照してください。
</translation>
    </message>
    <message>
        <source>Append one line per exchange to FILE, tab-separated: time, port, result, sent, received, status.</source>
        <translation>やり取りごとに 1 行を FILE に追記します (タブ区切り: 時刻、ポート、結果、送信、受信、ステータス)。</translation>
    </message>
</context>
<context>
    <name>runo-link</name>
    <message>
        <source>ModemManager and brltty can take a USB serial adapter for their own: &quot;fuser -v %1&quot; names a program holding it, and &quot;journalctl -b | grep -i -e brltty -e ModemManager&quot; shows whether one took it.</source>
        <translation>ModemManager や brltty が USB シリアルアダプターを占有することがあります: &quot;fuser -v %1&quot; で使用中のプログラムが、&quot;journalctl -b | grep -i -e brltty -e ModemManager&quot; でどちらかが占有したかがわかります。</translation>
    </message>
    <message>
        <source>You joined the group &quot;%1&quot;, which may read and write the device, after this session began: log out and in again.</source>
        <translation>デバイスを読み書きできるグループ &quot;%1&quot; への参加はこのセッションの開始後です: ログアウトしてログインし直してください。</translation>
    </message>
    <message>
        <source>The device belongs to the group &quot;%1&quot;: add yourself to it with
    sudo adduser $USER %1
then log out and in again.</source>
        <translation>デバイスはグループ &quot;%1&quot; のものです: 次のコマンドで参加し
    sudo adduser $USER %1
ログアウトしてログインし直してください。</translation>
    </message>
    <message>
        <source>The device belongs to the user &quot;%1&quot; and the group &quot;%2&quot; (mode %3), which give you no read and write access: ask the machine&apos;s administrator for it.</source>
        <translation>デバイスはユーザー &quot;%1&quot;、グループ &quot;%2&quot; (モード %3) のもので、読み書きの権限がありません: マシンの管理者に依頼してください。</translation>
    </message>
    <message>
        <source>another program</source>
        <translation>別のプログラム</translation>
    </message>
    <message>
        <source>process %1</source>
        <translation>プロセス %1</translation>
    </message>
    <message>
        <source>process %1 (%2)</source>
        <translation>プロセス %1 (%2)</translation>
    </message>
    <message>
        <source>Invalid line settings &quot;%1&quot;: expected baud,parity,data bits,stop bits</source>
        <translation>回線設定 &quot;%1&quot; が正しくありません: ボーレート,パリティ,データビット,ストップビット で指定してください</translation>
    </message>
    <message>
        <source>Invalid baud rate &quot;%1&quot;</source>
        <translation>ボーレート &quot;%1&quot; が正しくありません</translation>
    </message>
    <message>
        <source>Invalid parity &quot;%1&quot;: expected N, E, O, M or S</source>
        <translation>パリティ &quot;%1&quot; が正しくありません: N、E、O、M、S のいずれかです</translation>
    </message>
    <message>
        <source>Invalid data bits &quot;%1&quot;: expected 5 to 8</source>
        <translation>データビット &quot;%1&quot; が正しくありません: 5 から 8 です</translation>
    </message>
    <message>
        <source>Invalid stop bits &quot;%1&quot;: expected 1, 1.5 or 2</source>
        <translation>ストップビット &quot;%1&quot; が正しくありません: 1、1.5、2 のいずれかです</translation>
    </message>
    <message>
        <source>Invalid network port: expected socket://HOST:PORT or rfc2217://HOST:PORT</source>
        <translation>ネットワークポートが正しくありません: socket://HOST:PORT または rfc2217://HOST:PORT で指定してください</translation>
    </message>
    <message>
        <source>The server keeps negotiating (Telnet) and reads nothing</source>
        <translation>サーバーがネゴシエーション (Telnet) を続け、データを読み取りません</translation>
    </message>
    <message>
        <source>The server refuses COM port control (RFC 2217)</source>
        <translation>サーバーが COM ポート制御 (RFC 2217) を拒否しました</translation>
    </message>
    <message>
        <source>The server says &quot;%1&quot;: another connection holds the port</source>
        <translation>サーバーの応答は &quot;%1&quot;: 別の接続がポートを使用中です</translation>
    </message>
    <message>
        <source>No answer to COM port control (RFC 2217) within %1 s</source>
        <translation>%1 秒以内に COM ポート制御 (RFC 2217) の応答がありません</translation>
    </message>
    <message>
        <source>No connection within %1 s</source>
        <translation>%1 秒以内に接続できません</translation>
    </message>
    <message>
        <source>refused: %1 %2</source>
        <translation>拒否されました: %1 の%2</translation>
    </message>
    <message>
        <source>the remembered choice in %1</source>
        <translation>%1 に記憶された選択</translation>
    </message>
    <message>
        <source>names a device with a control character in it</source>
        <translation>デバイス名に制御文字が含まれています</translation>
    </message>
    <message>
        <source>refused: the port %1</source>
        <translation>拒否されました: ポートの%1</translation>
    </message>
    <message>
        <source>Invalid port number %1</source>
        <translation>ポート番号 %1 は正しくありません</translation>
    </message>
    <message>
        <source>Port already open</source>
        <translation>ポートはすでに開いています</translation>
    </message>
    <message>
        <source>The port is in use by %1</source>
        <translation>ポートは %1 が使用中です</translation>
    </message>
    <message>
        <source>%1.
%2</source>
        <translation>%1
%2</translation>
    </message>
    <message>
        <source>Output buffer full, line dropped</source>
        <translation>出力バッファーがいっぱいです。行を破棄しました</translation>
    </message>
    <message>
        <source>Port not open</source>
        <translation>ポートが開いていません</translation>
    </message>
</context>
<context>
    <name>runo-projector-sim</name>
    <message>
        <source>Usage: runo-projector-sim [options]
Try &apos;runo-projector-sim --help&apos; for more information.
</source>
        <translation>使い方: runo-projector-sim [options]
詳しくは &apos;runo-projector-sim --help&apos; を参照してください。
</translation>
    </message>
    <message>
        <source>Simulates a projector on a serial line.

Without --device it creates a pseudo-terminal (raw, 8N1) and serves its
master side; with --device it serves the given terminal device.

Output on stdout, one item per line, flushed at once:
  /dev/...     the path to open (always the first line; printed again
               after every reopen)
  RX &lt;line&gt;    each command line received, without its CR; bytes
               outside printable ASCII appear as \xNN, a backslash as \\
               (use these to count commands, e.g. held &quot;C09&quot; repeats)
  CLOSED       the line was closed by --close-after

Command lines end at CR; LF is ignored. Lines longer than 512 bytes are
discarded. --close-after counts lines anew after each reopen; the
projector itself (power state, input, lamp time) carries on across
reopens. Without --reopen-after the program stays running with the line
closed. SIGINT or SIGTERM ends the program.</source>
        <translation>シリアル回線上のプロジェクターを模擬します。

--device がなければ擬似端末 (raw、8N1) を作り、そのマスター側で応答します。
--device があれば指定の端末デバイスで応答します。

標準出力には 1 行に 1 項目を出力し、すぐにフラッシュします:
  /dev/...     開くパス (必ず最初の行。開き直すたびに再出力)
  RX &lt;line&gt;    受信したコマンド行 (CR を除く)。印字可能な ASCII 以外の
               バイトは \xNN、バックスラッシュは \\ と表記
               (コマンドの回数を数えるのに使用。例: 押し続けた &quot;C09&quot; の繰り返し)
  CLOSED       --close-after により回線を閉じた

コマンド行は CR で終わり、LF は無視します。512 バイトを超える行は破棄します。
--close-after は開き直すたびに数え直しますが、プロジェクター自体の状態 (電源、
入力、ランプ時間) は開き直しても引き継がれます。--reopen-after がなければ、
回線を閉じたまま動作を続けます。SIGINT または SIGTERM で終了します。</translation>
    </message>
    <message>
        <source>--%1 needs a whole number &gt;= %2</source>
        <translation>--%1 には %2 以上の整数を指定してください</translation>
    </message>
    <message>
        <source>Show this help.</source>
        <translation>このヘルプを表示します。</translation>
    </message>
    <message>
        <source>Show the version.</source>
        <translation>バージョンを表示します。</translation>
    </message>
    <message>
        <source>Serve the terminal device &lt;path&gt; instead of a new pseudo-terminal.</source>
        <translation>新しい擬似端末の代わりに端末デバイス &lt;path&gt; で応答します。</translation>
    </message>
    <message>
        <source>Line speed (default 19200; 9600, 38400, ... also accepted).</source>
        <translation>通信速度 (既定値 19200。9600、38400 なども可)。</translation>
    </message>
    <message>
        <source>Wait &lt;ms&gt; before sending each reply.</source>
        <translation>応答を送る前に &lt;ms&gt; ミリ秒待ちます。</translation>
    </message>
    <message>
        <source>Send replies in pieces of &lt;n&gt; bytes.</source>
        <translation>応答を &lt;n&gt; バイトずつに分けて送ります。</translation>
    </message>
    <message>
        <source>Pause &lt;ms&gt; between reply pieces (with --split).</source>
        <translation>応答の断片の間に &lt;ms&gt; ミリ秒空けます (--split と併用)。</translation>
    </message>
    <message>
        <source>Never answer (echo included).</source>
        <translation>一切応答しません (エコーも含む)。</translation>
    </message>
    <message>
        <source>Answer every command that gets a reply with 1-16 random bytes instead.</source>
        <translation>応答のあるコマンドすべてに、代わりに 1～16 バイトのランダムなバイト列を返します。</translation>
    </message>
    <message>
        <source>Send &lt;n&gt; random bytes per second, unasked.</source>
        <translation>要求がなくても毎秒 &lt;n&gt; バイトのランダムなバイト列を送ります。</translation>
    </message>
    <message>
        <source>Send each command line, with its CR, back before the reply.</source>
        <translation>応答の前に、受信したコマンド行を CR ごと送り返します。</translation>
    </message>
    <message>
        <source>Close the line after &lt;n&gt; command lines (their replies are sent first).</source>
        <translation>&lt;n&gt; 行のコマンドの後に回線を閉じます (その応答は先に送ります)。</translation>
    </message>
    <message>
        <source>With --close-after: open the line again &lt;ms&gt; after closing it; a pseudo-terminal is created anew and its new path printed.</source>
        <translation>--close-after と併用: 閉じてから &lt;ms&gt; ミリ秒後に回線を開き直します。擬似端末は作り直し、新しいパスを出力します。</translation>
    </message>
    <message>
        <source>Count-down after power on (default 5000).</source>
        <translation>電源オン後のカウントダウン (既定値 5000)。</translation>
    </message>
    <message>
        <source>Cooling down after power off (default 5000).</source>
        <translation>電源オフ後のクールダウン (既定値 5000)。</translation>
    </message>
    <message>
        <source>Lamp hours at start (default 1234).</source>
        <translation>起動時のランプ時間 (既定値 1234)。</translation>
    </message>
    <message>
        <source>Trace every received line (RX) and every piece sent (TX) on stderr, time-stamped.</source>
        <translation>受信した行 (RX) と送信した断片 (TX) をすべて、時刻付きで標準エラー出力に記録します。</translation>
    </message>
    <message>
        <source>Do not print RX lines on stdout.</source>
        <translation>標準出力に RX 行を出力しません。</translation>
    </message>
    <message>
        <source>unexpected argument %1</source>
        <translation>不要な引数です: %1</translation>
    </message>
    <message>
        <source>unsupported baud rate %1</source>
        <translation>対応していないボーレートです: %1</translation>
    </message>
    <message>
        <source>cannot open</source>
        <translation>開けません</translation>
    </message>
    <message>
        <source>cannot configure</source>
        <translation>設定できません</translation>
    </message>
</context>
<context>
    <name>runo::MainWindow</name>
    <message>
        <source>Right-click to choose the devices behind COM1 and COM2</source>
        <translation>右クリックで COM1 と COM2 に割り当てるデバイスを選べます</translation>
    </message>
    <message>
        <source>Other device…</source>
        <translation>その他のデバイス…</translation>
    </message>
    <message>
        <source>Device for COM%1 (a path, or socket://host:port or rfc2217://host:port):</source>
        <translation>COM%1 のデバイス (パス、または socket://host:port か rfc2217://host:port):</translation>
    </message>
</context>
<context>
    <name>runo::Panel</name>
    <message>
        <source>COM%1: refused: the menu %2: &quot;%3&quot;</source>
        <translation>COM%1: 拒否されました: メニューの %2: &quot;%3&quot;</translation>
    </message>
</context>
<context>
    <name>runo::TrafficLog</name>
    <message>
        <source>cannot open the log %1: %2; the traffic is not logged</source>
        <translation>ログ %1 を開けません: %2。通信は記録されません</translation>
    </message>
    <message>
        <source>only part of a line was written</source>
        <translation>行の一部しか書き込めませんでした</translation>
    </message>
    <message>
        <source>cannot write the log %1: %2; no more traffic is logged</source>
        <translation>ログ %1 に書き込めません: %2。以後の通信は記録されません</translation>
    </message>
</context>
<context>
    <name>runoctl</name>
    <message>
        <source>Sends one of the panel&apos;s commands to a projector on a serial port and prints
the reply, decoded as the panel decodes it.

Commands (names as on the panel, any case; &apos;runoctl list&apos; shows them all):
  NAME...           a button: power on, input 2 rgb, read status, vol +
  hold NAME... MS   a hold button held for MS milliseconds: hold vol + 1500
  send TEXT...      a free command, as the panel&apos;s SEND: send CR PRESSURE
  list              every command with its group, text and reply window
  ports             the serial ports, as the panel&apos;s device menu lists them

An arrow in a name may be typed as itself or as up, down, left, right:
&apos;runoctl lens shift up&apos; is LENS SHIFT ↑.

A reply ends at its first CR, or, for a command that reads nothing, at its
ACK. Of what a port sends, the first %1 bytes are kept and printed; the
rest are counted (&quot;dropped&quot; in --json), so a flood cannot fill the memory.

Exit status: 0 a reply came, 1 no reply in the reply window, 2 usage error,
3 a port could not be opened, refused the line or went away (what came before
is printed), 4 the output could not be written, 5 ended by SIGINT, SIGTERM or
SIGHUP before a port was done (its port closed and unlocked, what came so far
printed). With several ports, the worst of these.</source>
        <translation>シリアルポートのプロジェクターにパネルのコマンドを 1 つ送り、応答をパネルと同じように
解読して表示します。

コマンド (名前はパネルと同じ、大文字小文字は区別しない。一覧は &apos;runoctl list&apos;):
  NAME...           ボタン: power on, input 2 rgb, read status, vol +
  hold NAME... MS   押し続けるボタンを MS ミリ秒押す: hold vol + 1500
  send TEXT...      パネルの SEND と同じ自由なコマンド: send CR PRESSURE
  list              全コマンドとそのグループ、テキスト、応答待ち時間
  ports             シリアルポート (パネルのデバイスメニューと同じ一覧)

名前の矢印は記号のままか up, down, left, right で入力できます:
&apos;runoctl lens shift up&apos; は LENS SHIFT ↑ です。

応答は最初の CR で、何も読み出さないコマンドでは ACK で終わります。ポートから
受け取ったうち最初の %1 バイトを保持して表示し、残りは数えるだけなので
(--json では &quot;dropped&quot;)、大量に送られてもメモリーはあふれません。

終了ステータス: 0 応答あり、1 応答待ち時間内に応答なし、2 使い方の誤り、
3 ポートを開けない・回線を拒否された・ポートが消えた (それまでの受信分は表示)、
4 出力を書き込めない、5 ポートの処理中に SIGINT、SIGTERM、SIGHUP で終了
(ポートは閉じてロックを解除し、それまでの受信分は表示)。複数のポートでは最も悪いもの。</translation>
    </message>
    <message>
        <source> (default)</source>
        <translation> (既定値)</translation>
    </message>
    <message>
        <source> or </source>
        <translation> または </translation>
    </message>
    <message>
        <source>The serial device; give it again for more projectors, all served at once. Default: COM1 as the panel maps it ($RUNO_COM1, the remembered choice, /dev/ttyS0).</source>
        <translation>シリアルデバイス。繰り返し指定すると複数のプロジェクターを同時に扱います。既定値: パネルが割り当てた COM1 ($RUNO_COM1、記憶された選択、/dev/ttyS0)。</translation>
    </message>
    <message>
        <source>COM1 or COM2 as the panel maps it.</source>
        <translation>パネルが割り当てた COM1 または COM2。</translation>
    </message>
    <message>
        <source>Line speed: %1.</source>
        <translation>通信速度: %1。</translation>
    </message>
    <message>
        <source>Wait up to MS for the reply instead of the panel&apos;s reply window.</source>
        <translation>パネルの応答待ち時間の代わりに、最大 MS ミリ秒応答を待ちます。</translation>
    </message>
    <message>
        <source>Print the TXD, RXD and STATUS lines as the panel shows them.</source>
        <translation>パネルと同じ TXD、RXD、STATUS の行を表示します。</translation>
    </message>
    <message>
        <source>Print one JSON object a line: per port; for list, per command; for ports, per port found.</source>
        <translation>1 行に 1 つの JSON オブジェクトを出力します: ポートごと。list ではコマンドごと、ports では見つかったポートごと。</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>このヘルプを表示して終了します。</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>バージョンを表示して終了します。</translation>
    </message>
    <message>
        <source>What to send (see above).</source>
        <translation>送る内容 (上記参照)。</translation>
    </message>
    <message>
        <source>hold needs milliseconds from 0 to %1, not &quot;%2&quot;</source>
        <translation>hold には 0～%1 のミリ秒を指定してください (&quot;%2&quot; は不可)</translation>
    </message>
    <message>
        <source>unknown command &quot;%1&quot;</source>
        <translation>不明なコマンドです: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>; did you mean: %1?</source>
        <translation>。もしかして: %1?</translation>
    </message>
    <message>
        <source>
&apos;runoctl list&apos; shows every command</source>
        <translation>
全コマンドは &apos;runoctl list&apos; で表示できます</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>コマンドが指定されていません</translation>
    </message>
    <message>
        <source>send needs the command text, e.g. send CR0</source>
        <translation>send にはコマンドのテキストが必要です (例: send CR0)</translation>
    </message>
    <message>
        <source>hold needs a hold button and milliseconds, e.g. hold &quot;VOL +&quot; 1500</source>
        <translation>hold には押し続けるボタンとミリ秒が必要です (例: hold &quot;VOL +&quot; 1500)</translation>
    </message>
    <message>
        <source>%1 is not held; only +/-, arrows and SELECT are</source>
        <translation>%1 は押し続けられません。押し続けられるのは +/-、矢印、SELECT だけです</translation>
    </message>
    <message>
        <source>give --port or --com, not both</source>
        <translation>--port と --com はどちらか一方だけを指定してください</translation>
    </message>
    <message>
        <source>--port needs a device</source>
        <translation>--port にはデバイスを指定してください</translation>
    </message>
    <message>
        <source>--com is 1 or 2, not &quot;%1&quot;</source>
        <translation>--com は 1 か 2 です (&quot;%1&quot; は不可)</translation>
    </message>
    <message>
        <source>--speed is %1, not &quot;%2&quot;</source>
        <translation>--speed は %1 です (&quot;%2&quot; は不可)</translation>
    </message>
    <message>
        <source>--timeout needs milliseconds from 1 to %1</source>
        <translation>--timeout には 1～%1 のミリ秒を指定してください</translation>
    </message>
    <message>
        <source>give --json or --verbose, not both</source>
        <translation>--json と --verbose はどちらか一方だけを指定してください</translation>
    </message>
    <message>
        <source>Usage: runoctl</source>
        <translation>使い方: runoctl</translation>
    </message>
    <message>
        <source>Try &apos;runoctl --help&apos;.</source>
        <translation>詳しくは &apos;runoctl --help&apos; を参照してください。</translation>
    </message>
    <message>
        <source>runoctl: no serial ports found
</source>
        <translation>runoctl: シリアルポートが見つかりません
</translation>
    </message>
    <message>
        <source>runoctl: %1: ended by a signal
</source>
        <translation>runoctl: %1: シグナルで終了しました
</translation>
    </message>
    <message>
        <source>runoctl: %1: %2 bytes received past the first %3 were not kept
</source>
        <translation>runoctl: %1: 最初の %3 バイトより後に受信した %2 バイトは保持していません
</translation>
    </message>
    <message>
        <source>runoctl: %1: no reply within %2 ms
</source>
        <translation>runoctl: %1: %2 ミリ秒以内に応答がありません
</translation>
    </message>
    <message>
        <source>Append one line per exchange to &lt;file&gt;, tab-separated: time, port, result, sent, received, status.</source>
        <translation>やり取りごとに 1 行を &lt;file&gt; に追記します (タブ区切り: 時刻、ポート、結果、送信、受信、ステータス)。</translation>
    </message>
</context>
</TS>
