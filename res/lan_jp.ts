<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>CoreText</name>
    <message>
        <source>ERROR: No sound device detected</source>
        <translation>エラー: サウンドデバイスが検出されません</translation>
    </message>
    <message>
        <source>ERROR: waveInGetDevCaps failed</source>
        <translation>エラー: サウンドデバイスの情報を取得できません (waveInGetDevCaps)</translation>
    </message>
    <message>
        <source>ERROR: waveInOpen failed</source>
        <translation>エラー: サウンドデバイスを開けません (waveInOpen)</translation>
    </message>
    <message>
        <source>ERROR: waveInPrepareHeader 1 failed</source>
        <translation>エラー: 録音バッファ 1 を準備できません (waveInPrepareHeader)</translation>
    </message>
    <message>
        <source>ERROR: waveInPrepareHeader 2 failed</source>
        <translation>エラー: 録音バッファ 2 を準備できません (waveInPrepareHeader)</translation>
    </message>
    <message>
        <source>ERROR: waveInAddBuffer 1 failed</source>
        <translation>エラー: 録音バッファ 1 を渡せません (waveInAddBuffer)</translation>
    </message>
    <message>
        <source>ERROR: waveInAddBuffer 2 failed</source>
        <translation>エラー: 録音バッファ 2 を渡せません (waveInAddBuffer)</translation>
    </message>
    <message>
        <source>ERROR: waveInStart failed</source>
        <translation>エラー: 録音を開始できません (waveInStart)</translation>
    </message>
    <message>
        <source>Could not open the raw log &quot;%1&quot;; decoded text is not logged until it can be opened.</source>
        <translation>受信ログ「%1」を開けません。開けるようになるまで、解読したテキストは記録されません。</translation>
    </message>
    <message>
        <source>Could not write to the raw log &quot;%1&quot;.</source>
        <translation>受信ログ「%1」に書き込めません。</translation>
    </message>
    <message>
        <source>Could not create &quot;%1&quot;; NAVTEX messages are not stored.</source>
        <translation>「%1」を作成できません。NAVTEX メッセージは保存されません。</translation>
    </message>
    <message>
        <source>Could not write to &quot;%1&quot;; the message being received may be incomplete on disk.</source>
        <translation>「%1」に書き込めません。受信中のメッセージはディスク上で欠けている可能性があります。</translation>
    </message>
    <message>
        <source>Could not store the message in &quot;%1&quot; (%2); it was kept as &quot;%3&quot;.</source>
        <translation>メッセージを「%1」に保存できませんでした (%2)。「%3」として残しました。</translation>
    </message>
    <message>
        <source>Could not store the message &quot;%1&quot; (%2); it stays in &quot;%3&quot; and no new message is recorded until it can be stored.</source>
        <translation>メッセージ「%1」を保存できませんでした (%2)。メッセージは「%3」に残っています。保存できるようになるまで、新しいメッセージは記録されません。</translation>
    </message>
    <message>
        <source>The message index &quot;%1&quot; was damaged; it was rebuilt from the stored messages.</source>
        <translation>メッセージ索引「%1」が壊れていたため、保存済みのメッセージから作り直しました。</translation>
    </message>
    <message>
        <source>The message index &quot;%1&quot; was removed or replaced while in use; it was rebuilt from the stored messages.</source>
        <translation>メッセージ索引「%1」が使用中に削除または置き換えられたため、保存済みのメッセージから作り直しました。</translation>
    </message>
    <message>
        <source>The message index &quot;%1&quot; is locked by another program; until it is free, an index in memory rebuilt from the stored messages is used.</source>
        <translation>メッセージ索引「%1」は別のプログラムにロックされています。解放されるまで、保存済みのメッセージから作り直したメモリ上の索引を使います。</translation>
    </message>
    <message>
        <source>The message index &quot;%1&quot; cannot be written (%2); until it can, an index in memory rebuilt from the stored messages is used.</source>
        <translation>メッセージ索引「%1」に書き込めません (%2)。書き込めるようになるまで、保存済みのメッセージから作り直したメモリ上の索引を使います。</translation>
    </message>
    <message>
        <source>The command for %1 exited with status %2.</source>
        <translation>%1 のコマンドは終了コード %2 で終了しました。</translation>
    </message>
    <message>
        <source>The command for %1 was ended by signal %2.</source>
        <translation>%1 のコマンドはシグナル %2 で終了させられました。</translation>
    </message>
    <message>
        <source>The command for %1 cannot be started: %2.</source>
        <translation>%1 のコマンドを開始できません: %2。</translation>
    </message>
    <message>
        <source>The command for %1 was lost: %2.</source>
        <translation>%1 のコマンドの状態がわからなくなりました: %2。</translation>
    </message>
    <message>
        <source>The command for %1 was not run: %2 runs are already waiting.</source>
        <translation>%1 のコマンドは実行されませんでした。すでに %2 件の実行が待っています。</translation>
    </message>
    <message>
        <source>%1 runs of the command were not started.</source>
        <translation>%1 件のコマンドの実行が開始されませんでした。</translation>
    </message>
    <message>
        <source>The search and rescue alarm cannot sound (%1); new search and rescue messages are still shown.</source>
        <translation>捜索救助の警報音を鳴らせません (%1)。新しい捜索救助メッセージは引き続き表示されます。</translation>
    </message>
    <message>
        <source>The command for %1 took longer than %2 s and was ended.</source>
        <translation>%1 のコマンドが %2 秒を超えたため終了させました。</translation>
    </message>
    <message>
        <source>Could not write the warnings for chart programs to &quot;%1&quot; (%2).</source>
        <translation>海図ソフト用の警報を「%1」に書き込めませんでした (%2)。</translation>
    </message>
    <message>
        <source>The setting %1 is &quot;%2&quot;, which is not a number from %3 to %4; %5 is used instead.</source>
        <translation>設定 %1 の値「%2」は %3 から %4 までの数値ではないため、代わりに %5 を使います。</translation>
    </message>
    <message>
        <source>Could not write the message &quot;%1&quot; (%2); it is kept in memory, with any that follow, and stored as soon as there is room.</source>
        <translation>メッセージ「%1」を書き込めません (%2)。このメッセージと以降のメッセージはメモリに保持し、空きができしだい保存します。</translation>
    </message>
    <message>
        <source>The %1 messages kept in memory are stored now.</source>
        <translation>メモリに保持していた %1 件のメッセージを保存しました。</translation>
    </message>
    <message>
        <source>%1 messages could not be stored (%2) and are lost; only the raw log may hold their text.</source>
        <translation>%1 件のメッセージを保存できず (%2)、失われました。本文は生ログにのみ残っている可能性があります。</translation>
    </message>
    <message>
        <source>Could not write to &quot;%1&quot;.</source>
        <translation>「%1」に書き込めません。</translation>
    </message>
    <message>
        <source>Sound device: %1</source>
        <translation>サウンドデバイス: %1</translation>
    </message>
    <message>
        <source>No sound source</source>
        <translation>音声入力なし</translation>
    </message>
    <message>
        <source>Recording %1: %2 of %3</source>
        <translation>録音 %1: %2 / %3</translation>
    </message>
    <message>
        <source>Recording %1: %2</source>
        <translation>録音 %1: %2</translation>
    </message>
    <message>
        <source>Recording %1: ended</source>
        <translation>録音 %1: 終了</translation>
    </message>
    <message>
        <source>%1, %2 Bd, shift %3 Hz</source>
        <translation>%1、%2 Bd、シフト %3 Hz</translation>
    </message>
    <message>
        <source>Centre %1 Hz</source>
        <translation>中心 %1 Hz</translation>
    </message>
    <message>
        <source>Messages today: %1</source>
        <translation>本日のメッセージ: %1</translation>
    </message>
    <message>
        <source>%1: channel %2 kHz</source>
        <translation>%1: チャンネル %2 kHz</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>はい(&amp;Y)</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>いいえ(&amp;N)</translation>
    </message>
</context>
<context>
    <name>ServiceReply</name>
    <message>
        <source>Upgrade available</source>
        <translation>新しいバージョンがあります</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>お知らせ</translation>
    </message>
    <message>
        <source>Connection okay, welcome %1!</source>
        <translation>接続を確認しました。ようこそ、%1 さん！</translation>
    </message>
    <message>
        <source>Server response</source>
        <translation>サーバーの応答</translation>
    </message>
    <message>
        <source>Registration</source>
        <translation>登録</translation>
    </message>
    <message>
        <source>Sorry, that UID is not recognised</source>
        <translation>申し訳ありません。この UID は登録されていません</translation>
    </message>
    <message>
        <source>Could not read server response.</source>
        <translation>サーバーの応答を読み取れませんでした。</translation>
    </message>
    <message>
        <source>Request failed</source>
        <translation>要求に失敗しました</translation>
    </message>
    <message>
        <source>Request failed.
Internet connection or server may be down.</source>
        <translation>要求に失敗しました。
インターネット接続またはサーバーが停止している可能性があります。</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Cannot use the directory %1</source>
        <translation>ディレクトリ %1 を使用できません</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <source>Wavelore, a NAVTEX receiver.</source>
        <translation>Wavelore — NAVTEX 受信機</translation>
    </message>
    <message>
        <source>Shows these options and ends.</source>
        <translation>このオプション一覧を表示して終了します。</translation>
    </message>
    <message>
        <source>Plays a recording as the sound source, in real time.</source>
        <translation>録音ファイルを音声入力として実時間で再生します。</translation>
    </message>
    <message>
        <source>With --play: as fast as it decodes.</source>
        <translation>--play と併用: 解読できる限りの速さで再生します。</translation>
    </message>
    <message>
        <source>Keeps logs/, incoming.txt, fax.raw and tips.txt in DIR (default: here).</source>
        <translation>logs/、incoming.txt、fax.raw、tips.txt を DIR に置きます (既定: 現在のディレクトリ)。</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>不明な引数: %1</translation>
    </message>
    <message>
        <source>--fast needs --play FILE</source>
        <translation>--fast には --play FILE が必要です</translation>
    </message>
    <message>
        <source>Keeps them in the user&apos;s data directory (%1), made at the first start with a copy of the tips.</source>
        <translation>それらをユーザーのデータディレクトリ (%1) に置きます。初回起動時に作成し、ヒントファイルをコピーします。</translation>
    </message>
    <message>
        <source>--dir and --data-dir exclude each other</source>
        <translation>--dir と --data-dir は同時に指定できません</translation>
    </message>
</context>
<context>
    <name>wavelore::CAlarmPanel</name>
    <message>
        <source>SAR alarm</source>
        <translation>捜索救助 (SAR) 警報</translation>
    </message>
    <message>
        <source>Sound an alarm for each new search and rescue message</source>
        <translation>新しい捜索救助メッセージごとに警報を鳴らします</translation>
    </message>
    <message>
        <source>Silence alarm</source>
        <translation>警報を止める</translation>
    </message>
    <message>
        <source>Search and rescue message</source>
        <translation>捜索救助メッセージ</translation>
    </message>
    <message>
        <source>%1 from %2, received %3 %4</source>
        <translation>%2 から %1、受信 %3 %4</translation>
    </message>
</context>
<context>
    <name>wavelore::CCentreFrequencyDialog</name>
    <message>
        <source>Centre Frequency</source>
        <translation>中心周波数</translation>
    </message>
    <message>
        <source> Hz</source>
        <translation> Hz</translation>
    </message>
    <message>
        <source>&amp;Centre frequency:</source>
        <translation>中心周波数(&amp;C):</translation>
    </message>
</context>
<context>
    <name>wavelore::CChartPane</name>
    <message>
        <source>Chart</source>
        <translation>海図</translation>
    </message>
</context>
<context>
    <name>wavelore::CChartWnd</name>
    <message>
        <source>The chart&apos;s coastlines cannot be read: %1</source>
        <translation>海図の海岸線を読み込めません: %1</translation>
    </message>
    <message>
        <source>%1 NM</source>
        <translation>%1 海里</translation>
    </message>
    <message>
        <source>Navigational</source>
        <translation>航行警報</translation>
    </message>
    <message>
        <source>Meteorological</source>
        <translation>気象警報</translation>
    </message>
    <message>
        <source>Search and rescue</source>
        <translation>捜索救助</translation>
    </message>
    <message>
        <source>Ice</source>
        <translation>海氷情報</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>その他</translation>
    </message>
</context>
<context>
    <name>wavelore::CControlsPanel</name>
    <message>
        <source>CPU load</source>
        <translation>CPU 負荷</translation>
    </message>
    <message>
        <source>AFC</source>
        <translation>AFC</translation>
    </message>
    <message>
        <source>Strict FEC</source>
        <translation>厳密 FEC</translation>
    </message>
    <message>
        <source>Invert</source>
        <translation>反転</translation>
    </message>
    <message>
        <source>SmartTune</source>
        <translation>スマートチューン</translation>
    </message>
    <message>
        <source>NAVTEX-J</source>
        <translation>NAVTEX-J</translation>
    </message>
    <message>
        <source>Sound that never reached the decoder because the computer fell behind</source>
        <translation>処理が追いつかずデコーダに届かなかった音声</translation>
    </message>
    <message>
        <source>Messages that could not be written to disk (full or unwritable): those waiting are kept in memory and stored as soon as there is room</source>
        <translation>ディスクに書き込めなかったメッセージ (空き容量不足または書き込み不可)。保存待ちのものはメモリに保持し、空きができしだい保存します</translation>
    </message>
    <message>
        <source>Lost: %1 s</source>
        <translation>欠落: %1 秒</translation>
    </message>
    <message>
        <source>Waiting to be stored: %1</source>
        <translation>保存待ち: %1</translation>
    </message>
    <message>
        <source>Not stored: %1</source>
        <translation>未保存: %1</translation>
    </message>
</context>
<context>
    <name>wavelore::CDecodingHost</name>
    <message>
        <source>Cannot play the recording: %1</source>
        <translation>録音ファイルを再生できません: %1</translation>
    </message>
    <message>
        <source>No sound devices found</source>
        <translation>サウンドデバイスが見つかりません</translation>
    </message>
    <message>
        <source>Could not start decoder for this sound device. Check that no other applications are trying to use this sound device.</source>
        <translation>このサウンドデバイスでデコーダを開始できませんでした。ほかのアプリケーションがこのサウンドデバイスを使用していないか確認してください。</translation>
    </message>
    <message>
        <source>There was an error opening sound device &quot;%1&quot;, switching to device &quot;%2&quot;</source>
        <translation>サウンドデバイス「%1」を開くときにエラーが発生しました。デバイス「%2」に切り替えます</translation>
    </message>
    <message>
        <source>There was an error opening device &quot;%1&quot;.
No other sound devices are available.
Decoding cannot continue.</source>
        <translation>デバイス「%1」を開くときにエラーが発生しました。
ほかに使用できるサウンドデバイスがありません。
デコードを続けられません。</translation>
    </message>
    <message>
        <source>Cannot receive from &quot;%1&quot;: %2</source>
        <translation>「%1」から受信できません: %2</translation>
    </message>
</context>
<context>
    <name>wavelore::CDisplayPanel</name>
    <message>
        <source>&amp;View</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>&amp;Waterfall</source>
        <translation>ウォーターフォール(&amp;W)</translation>
    </message>
    <message>
        <source>Spectrum &amp;trace</source>
        <translation>スペクトラム表示(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Plain</source>
        <translation>そのまま(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Averaged</source>
        <translation>平均(&amp;A)</translation>
    </message>
    <message>
        <source>Peak &amp;hold</source>
        <translation>ピークホールド(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Centre frequency...</source>
        <translation>中心周波数(&amp;C)...</translation>
    </message>
</context>
<context>
    <name>wavelore::CExplorerHost</name>
    <message>
        <source>Raw data</source>
        <translation>生データ</translation>
    </message>
    <message>
        <source>Messages</source>
        <translation>メッセージ</translation>
    </message>
    <message>
        <source>Error opening message file</source>
        <translation>メッセージファイルを開けませんでした</translation>
    </message>
</context>
<context>
    <name>wavelore::CHelpMenu</name>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Tip of the day</source>
        <translation>今日のヒント</translation>
    </message>
    <message>
        <source>Upload ID...</source>
        <translation>アップロード ID...</translation>
    </message>
    <message>
        <source>About Wavelore</source>
        <translation>Wavelore について</translation>
    </message>
    <message>
        <source>%1
A NAVTEX receiver.
%2</source>
        <translation>%1
NAVTEX 受信機
%2</translation>
    </message>
</context>
<context>
    <name>wavelore::CLevelMeterWnd</name>
    <message>
        <source>Clip</source>
        <translation>過大入力</translation>
    </message>
    <message>
        <source>SNR %1 dB</source>
        <translation>SNR %1 dB</translation>
    </message>
    <message>
        <source>SNR --</source>
        <translation>SNR --</translation>
    </message>
    <message>
        <source>Locked</source>
        <translation>同期</translation>
    </message>
</context>
<context>
    <name>wavelore::CMainWindow</name>
    <message>
        <source>C&amp;hart</source>
        <translation>海図(&amp;H)</translation>
    </message>
    <message>
        <source>Tarvolt Wavelore</source>
        <translation>Tarvolt Wavelore</translation>
    </message>
    <message>
        <source>Stations and subjects...</source>
        <translation>局と種別...</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>オプション</translation>
    </message>
</context>
<context>
    <name>wavelore::CMessageExplorerWnd</name>
    <message>
        <source>Nav warning</source>
        <translation>航行警報</translation>
    </message>
    <message>
        <source>Met warning</source>
        <translation>気象警報</translation>
    </message>
    <message>
        <source>Ice</source>
        <translation>海氷情報</translation>
    </message>
    <message>
        <source>Search &amp; Rescue</source>
        <translation>捜索救助</translation>
    </message>
    <message>
        <source>Met forecast</source>
        <translation>気象予報</translation>
    </message>
    <message>
        <source>Pilot</source>
        <translation>水先業務</translation>
    </message>
    <message>
        <source>Decca</source>
        <translation>デッカ</translation>
    </message>
    <message>
        <source>Loran</source>
        <translation>ロラン</translation>
    </message>
    <message>
        <source>Omega</source>
        <translation>オメガ</translation>
    </message>
    <message>
        <source>Satnav</source>
        <translation>衛星航法</translation>
    </message>
    <message>
        <source>Other navaid</source>
        <translation>その他航行援助</translation>
    </message>
    <message>
        <source>Navigation</source>
        <translation>航行情報</translation>
    </message>
    <message>
        <source>?</source>
        <translation>?</translation>
    </message>
    <message>
        <source>Special</source>
        <translation>特別業務</translation>
    </message>
    <message>
        <source>No messsage</source>
        <translation>メッセージなし</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>番号</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>送信局</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>種別</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>時刻</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>分類</translation>
    </message>
    <message>
        <source>Hide repeats</source>
        <translation>再送信を隠す</translation>
    </message>
    <message>
        <source>Show all messages</source>
        <translation>すべてのメッセージを表示</translation>
    </message>
    <message>
        <source>Show the messages outside the chosen stations and subjects too</source>
        <translation>選んだ局と種別以外のメッセージも表示します</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>周波数</translation>
    </message>
    <message>
        <source>The channel the message came on, in kHz</source>
        <translation>受信したチャンネルの周波数 (kHz)</translation>
    </message>
    <message>
        <source>Export as text...</source>
        <translation>テキストとして書き出す...</translation>
    </message>
    <message>
        <source>Export as CSV...</source>
        <translation>CSV として書き出す...</translation>
    </message>
    <message>
        <source>Delete...</source>
        <translation>削除...</translation>
    </message>
    <message>
        <source>Search messages</source>
        <translation>メッセージを検索</translation>
    </message>
    <message numerus="yes">
        <source>%n message(s) found</source>
        <translation>
            <numerusform>%n 件のメッセージが見つかりました</numerusform>
        </translation>
    </message>
    <message>
        <source>The message index is being built; search again soon</source>
        <translation>メッセージの索引を作成中です。しばらくしてから検索してください</translation>
    </message>
    <message>
        <source>No message index to search</source>
        <translation>検索できるメッセージの索引がありません</translation>
    </message>
    <message>
        <source>Export as CSV</source>
        <translation>CSV として書き出す</translation>
    </message>
    <message>
        <source>Export as text</source>
        <translation>テキストとして書き出す</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV ファイル (*.csv)</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>テキストファイル (*.txt)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <source>Could not write &quot;%1&quot;: %2</source>
        <translation>&quot;%1&quot; に書き込めませんでした: %2</translation>
    </message>
    <message>
        <source>These messages could not be read and were left out:
%1</source>
        <translation>次のメッセージは読めなかったため除きました:
%1</translation>
    </message>
    <message>
        <source>Delete messages</source>
        <translation>メッセージの削除</translation>
    </message>
    <message numerus="yes">
        <source>Delete the %n chosen message(s)? Their files are removed from the log.</source>
        <translation>
            <numerusform>選んだ %n 件のメッセージを削除しますか? ファイルはログから消去されます。</numerusform>
        </translation>
    </message>
    <message>
        <source>These messages could not be deleted:
%1</source>
        <translation>次のメッセージは削除できませんでした:
%1</translation>
    </message>
</context>
<context>
    <name>wavelore::CNmeaPanel</name>
    <message>
        <source>Serve new messages as NMEA 0183 NRX sentences to chart plotters on this port</source>
        <translation>新しいメッセージを NMEA 0183 の NRX センテンスとしてこのポートでチャートプロッターに送ります</translation>
    </message>
    <message>
        <source>NMEA port...</source>
        <translation>NMEA ポート...</translation>
    </message>
    <message>
        <source>NMEA address...</source>
        <translation>NMEA アドレス...</translation>
    </message>
    <message>
        <source>NMEA clients...</source>
        <translation>NMEA クライアント数...</translation>
    </message>
    <message>
        <source>NMEA output on TCP port %1</source>
        <translation>TCP ポート %1 で NMEA 出力</translation>
    </message>
    <message>
        <source>The NMEA output is off: %1. Choose another port with &quot;NMEA port...&quot; or another address with &quot;NMEA address...&quot; in the Options menu.</source>
        <translation>NMEA 出力はオフです: %1。オプションメニューの「NMEA ポート...」で別のポートを、「NMEA アドレス...」で別のアドレスを選んでください。</translation>
    </message>
    <message>
        <source>NMEA port</source>
        <translation>NMEA ポート</translation>
    </message>
    <message>
        <source>TCP port for the NMEA output (10110 is the usual one):</source>
        <translation>NMEA 出力の TCP ポート (通常は 10110):</translation>
    </message>
    <message>
        <source>NMEA address</source>
        <translation>NMEA アドレス</translation>
    </message>
    <message>
        <source>Address of this computer the NMEA output listens on, e.g. 127.0.0.1 for programs on this computer alone.
Empty: every address, for chart plotters on the network.</source>
        <translation>NMEA 出力が待ち受けるこのコンピューターのアドレス (このコンピューター上のプログラムだけなら 127.0.0.1 など)。
空欄: すべてのアドレス (ネットワーク上のチャートプロッター向け)。</translation>
    </message>
    <message>
        <source>%1 is not an IP address such as 127.0.0.1 or ::1. The NMEA output keeps its address.</source>
        <translation>%1 は 127.0.0.1 や ::1 のような IP アドレスではありません。NMEA 出力のアドレスは変わりません。</translation>
    </message>
    <message>
        <source>NMEA clients</source>
        <translation>NMEA クライアント数</translation>
    </message>
    <message>
        <source>Chart plotters the NMEA output serves at once (more are refused):</source>
        <translation>NMEA 出力が同時に送るチャートプロッターの数 (それを超える接続は断ります):</translation>
    </message>
    <message>
        <source>NMEA waypoints of warnings</source>
        <translation>警報位置の NMEA ウェイポイント</translation>
    </message>
    <message>
        <source>Follow each message&apos;s NRX sentences with WPL sentences of the positions its text gives</source>
        <translation>各メッセージの NRX センテンスに続けて、本文にある位置を WPL センテンスで送ります</translation>
    </message>
    <message>
        <source>Own position from NMEA...</source>
        <translation>NMEA から自船位置...</translation>
    </message>
    <message>
        <source>Own position is not read from %1: %2</source>
        <translation>自船位置を %1 から読めません: %2</translation>
    </message>
    <message>
        <source>Own position</source>
        <translation>自船位置</translation>
    </message>
    <message>
        <source>HOST:PORT of a GNSS receiver&apos;s NMEA sentences over TCP, e.g. localhost:2947 or 192.168.1.10:10110.
Empty: no own position.</source>
        <translation>TCP で NMEA センテンスを送る GNSS 受信機の HOST:PORT(例: localhost:2947、192.168.1.10:10110)。
空欄: 自船位置なし。</translation>
    </message>
    <message>
        <source>%1 is not HOST:PORT, such as localhost:2947. Own position keeps its source.</source>
        <translation>%1 は localhost:2947 のような HOST:PORT ではありません。自船位置の入力元は変わりません。</translation>
    </message>
</context>
<context>
    <name>wavelore::CRadioSettingsDialog</name>
    <message>
        <source>Radio Settings</source>
        <translation>無線機の設定</translation>
    </message>
    <message>
        <source>IQ Recording</source>
        <translation>IQ録音</translation>
    </message>
    <message>
        <source>the first radio found</source>
        <translation>最初に見つかった無線機</translation>
    </message>
    <message>
        <source>SoapySDR device arguments, e.g. driver=rtlsdr</source>
        <translation>SoapySDRのデバイス引数（例: driver=rtlsdr）</translation>
    </message>
    <message>
        <source>&amp;Device arguments:</source>
        <translation>デバイス引数(&amp;D):</translation>
    </message>
    <message>
        <source>By the file&apos;s name</source>
        <translation>ファイル名から</translation>
    </message>
    <message>
        <source>&amp;Format:</source>
        <translation>形式(&amp;F):</translation>
    </message>
    <message>
        <source>Sample &amp;rate (Hz):</source>
        <translation>サンプルレート (Hz)(&amp;R):</translation>
    </message>
    <message>
        <source>between the channels</source>
        <translation>チャンネルの中間</translation>
    </message>
    <message>
        <source>from the file</source>
        <translation>ファイルから</translation>
    </message>
    <message>
        <source>C&amp;entre frequency (Hz):</source>
        <translation>中心周波数 (Hz)(&amp;E):</translation>
    </message>
    <message>
        <source>dB, or auto for the radio&apos;s own gain control</source>
        <translation>dB、または無線機の自動利得制御には auto</translation>
    </message>
    <message>
        <source>&amp;Gain (dB):</source>
        <translation>利得 (dB)(&amp;G):</translation>
    </message>
    <message>
        <source>Frequency &amp;correction (ppm):</source>
        <translation>周波数補正 (ppm)(&amp;C):</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>オフ</translation>
    </message>
    <message>
        <source>I branch</source>
        <translation>I 分岐</translation>
    </message>
    <message>
        <source>Q branch</source>
        <translation>Q 分岐</translation>
    </message>
    <message>
        <source>D&amp;irect sampling:</source>
        <translation>ダイレクトサンプリング(&amp;I):</translation>
    </message>
    <message>
        <source>490, 518 and 4209.5 kHz where the band holds them</source>
        <translation>帯域内の 490、518、4209.5 kHz</translation>
    </message>
    <message>
        <source>C&amp;hannels (kHz):</source>
        <translation>チャンネル (kHz)(&amp;H):</translation>
    </message>
    <message>
        <source>The centre frequency is a number of Hz, or empty.</source>
        <translation>中心周波数は Hz の数値か、空欄です。</translation>
    </message>
    <message>
        <source>The channels are frequencies in kHz, separated by commas.</source>
        <translation>チャンネルはコンマで区切った kHz の周波数です。</translation>
    </message>
    <message>
        <source>The gain is a number of dB, or auto.</source>
        <translation>利得は dB の数値か auto です。</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>The oscillator of an upconverter in front of the radio, e.g. 125000000</source>
        <translation>無線機の前に置いたアップコンバーターの発振周波数（例: 125000000）</translation>
    </message>
    <message>
        <source>&amp;Upconverter (Hz):</source>
        <translation>アップコンバーター (Hz)(&amp;U):</translation>
    </message>
    <message>
        <source>The upconverter is a number of Hz, or empty.</source>
        <translation>アップコンバーターは Hz の数値か、空欄です。</translation>
    </message>
    <message>
        <source>The sample rate is a number of Hz, from 11025 to 1000000000.</source>
        <translation>サンプルレートは 11025 から 1000000000 までの Hz の数値です。</translation>
    </message>
</context>
<context>
    <name>wavelore::CReceiverMenus</name>
    <message>
        <source>&amp;Sound source</source>
        <translation>音声入力</translation>
    </message>
    <message>
        <source>&amp;Mode</source>
        <translation>モード</translation>
    </message>
    <message>
        <source>%1 baud</source>
        <translation>%1 ボー</translation>
    </message>
    <message>
        <source>%1 Hz shift</source>
        <translation>シフト %1 Hz</translation>
    </message>
    <message>
        <source>Enhanced decoder</source>
        <translation>高感度デコーダ</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(なし)</translation>
    </message>
    <message>
        <source>Play at recording speed</source>
        <translation>録音の速度で再生</translation>
    </message>
    <message>
        <source>Pause recording</source>
        <translation>録音の再生を一時停止</translation>
    </message>
    <message>
        <source>Open recording...</source>
        <translation>録音ファイルを開く...</translation>
    </message>
    <message>
        <source>Open recording</source>
        <translation>録音ファイルを開く</translation>
    </message>
    <message>
        <source>Recordings (*.wav *.flac *.ogg *.raw *.s16le);;All files (*)</source>
        <translation>録音ファイル (*.wav *.flac *.ogg *.raw *.s16le);;すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Cannot play the recording: %1</source>
        <translation>録音ファイルを再生できません: %1</translation>
    </message>
    <message>
        <source>&amp;Channel</source>
        <translation>チャンネル</translation>
    </message>
    <message>
        <source>%1 kHz</source>
        <translation>%1 kHz</translation>
    </message>
    <message>
        <source>Open IQ recording...</source>
        <translation>IQ録音ファイルを開く...</translation>
    </message>
    <message>
        <source>Radio settings...</source>
        <translation>無線機の設定...</translation>
    </message>
    <message>
        <source>Open IQ recording</source>
        <translation>IQ録音ファイルを開く</translation>
    </message>
    <message>
        <source>IQ recordings (*.cu8 *.cs16 *.cf32 *.wav *.raw);;All files (*)</source>
        <translation>IQ録音 (*.cu8 *.cs16 *.cf32 *.wav *.raw);;すべてのファイル (*)</translation>
    </message>
</context>
<context>
    <name>wavelore::CStationsDialog</name>
    <message>
        <source>All</source>
        <translation>すべて</translation>
    </message>
    <message>
        <source>None</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Stations and subjects</source>
        <translation>局と種別</translation>
    </message>
    <message>
        <source>&amp;NAVAREA:</source>
        <translation>NAVAREA(&amp;N):</translation>
    </message>
    <message>
        <source>Stations</source>
        <translation>局</translation>
    </message>
    <message>
        <source>Subjects</source>
        <translation>種別</translation>
    </message>
    <message>
        <source>Messages from other stations and of other subjects are still stored; they raise no alarm, are not sent on, and show in the explorer only with &quot;Show all messages&quot;. Subjects A, B, D and L cannot be left out.</source>
        <translation>ほかの局や種別のメッセージも保存されますが、警報は鳴らず、転送もされず、エクスプローラーには「すべてのメッセージを表示」のときだけ表示されます。種別 A、B、D、L は外せません。</translation>
    </message>
</context>
<context>
    <name>wavelore::CSystemTray</name>
    <message>
        <source>Restore</source>
        <translation>元に戻す</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
</context>
<context>
    <name>wavelore::CTipDialog</name>
    <message>
        <source>Tip of the Day</source>
        <translation>今日のヒント</translation>
    </message>
    <message>
        <source>Trouble reading the tips file</source>
        <translation>ヒントファイルを読み込めません</translation>
    </message>
    <message>
        <source>Did you know...</source>
        <translation>ご存じですか...</translation>
    </message>
    <message>
        <source>&amp;Show Tips on StartUp</source>
        <translation>起動時にヒントを表示する(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Next Tip</source>
        <translation>次のヒント(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>閉じる(&amp;C)</translation>
    </message>
    <message>
        <source>Tips file does not exist in the prescribed directory</source>
        <translation>所定のディレクトリにヒントファイルがありません</translation>
    </message>
</context>
<context>
    <name>wavelore::CUploadIdDialog</name>
    <message>
        <source>Upload ID</source>
        <translation>アップロード ID</translation>
    </message>
    <message>
        <source>1. Get your upload ID from the sign-up page below.
2. Enter it here and press OK: it is stored and tested with the service.
3. Once the test succeeds, every message received is uploaded.</source>
        <translation>1. 下の登録ページでアップロード ID を取得してください。
2. ここに入力して OK を押すと、ID が保存され、サービスとの接続を試験します。
3. 試験に成功すると、以後受信したすべてのメッセージがアップロードされます。</translation>
    </message>
</context>
<context>
    <name>wavelore::ColorEditWnd</name>
    <message>
        <source>&amp;Copy</source>
        <translation>コピー(&amp;C)</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>すべて選択(&amp;A)</translation>
    </message>
</context>
</TS>
