<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ResultPanel</name>
    <message>
        <source>Serial</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>Scan the board&apos;s serial here; Enter takes it</source>
        <translation>在此扫描电路板的序列号，按回车键确认</translation>
    </message>
    <message>
        <source>scan a board</source>
        <translation>扫描一块电路板</translation>
    </message>
    <message>
        <source>SCAN</source>
        <translation>请扫描</translation>
    </message>
    <message>
        <source>; next %1</source>
        <translation>；下一块 %1</translation>
    </message>
    <message>
        <source>asking the line database about %1…</source>
        <translation>正在向产线数据库查询 %1…</translation>
    </message>
    <message>
        <source>board %1, attempt %2</source>
        <translation>电路板 %1，第 %2 次</translation>
    </message>
    <message>
        <source>Boards %1, first pass %2</source>
        <translation>电路板 %1，一次合格 %2</translation>
    </message>
    <message>
        <source>Attempts %1, failed %2</source>
        <translation>尝试 %1，失败 %2</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>合格</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>UNCONFIRMED</source>
        <translation>未确认</translation>
    </message>
    <message>
        <source>STOPPED</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>NO LINK</source>
        <translation>无连接</translation>
    </message>
    <message>
        <source>PROGRAMMING</source>
        <translation>编程中</translation>
    </message>
    <message>
        <source>WAITING</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>retrying…</source>
        <translation>正在重试…</translation>
    </message>
    <message>
        <source>stopped at %1</source>
        <translation>于 %1 停止</translation>
    </message>
    <message>
        <source>last %1 at %2</source>
        <translation>上次：%1，%2</translation>
    </message>
    <message>
        <source>Programmed %1</source>
        <translation>已编程 %1</translation>
    </message>
    <message>
        <source>Passed %1</source>
        <translation>通过 %1</translation>
    </message>
    <message>
        <source>Failed %1</source>
        <translation>失败 %1</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>清零</translation>
    </message>
    <message>
        <source>Sets the counts of programmed and failed boards to zero</source>
        <translation>将已编程和失败的板数清零</translation>
    </message>
    <message>
        <source>CANNOT CHECK</source>
        <translation>无法核对</translation>
    </message>
    <message>
        <source>cannot check %1 with the line; asking again</source>
        <translation>无法向产线核对 %1；正在重新询问</translation>
    </message>
    <message>
        <source>; checked without the line if it cannot answer</source>
        <translation>；产线无法应答时不经产线核对</translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source> Line record: %1 rows waiting.</source>
        <translation>线体记录：%1 行等待上传。</translation>
    </message>
    <message>
        <source> Journal: %1.</source>
        <translation>日志文件：%1。</translation>
    </message>
    <message>
        <source>Locked to %1. </source>
        <translation>已锁定：%1。</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>Waiting for a board on %1</source>
        <translation>在 %1 上等待电路板</translation>
    </message>
    <message>
        <source>Programming a board on %1</source>
        <translation>正在 %1 上编程电路板</translation>
    </message>
    <message>
        <source>%1 lost, retrying</source>
        <translation>%1 连接丢失，正在重试</translation>
    </message>
    <message>
        <source>. Programmed %1, Failed %2.</source>
        <translation>。已编程 %1，失败 %2。</translation>
    </message>
    <message>
        <source> Last result %1 at %2.</source>
        <translation>上次结果：%1，%2。</translation>
    </message>
    <message>
        <source>permission denied — install the package's device rule or join the dialout group</source>
        <translation>没有权限——请安装软件包的设备规则或加入 dialout 组</translation>
    </message>
    <message>
        <source>Fixture of %1 ports, %2 running. Programmed %3, Failed %4.</source>
        <translation>治具共 %1 个端口，%2 个运行中。已编程 %3，失败 %4。</translation>
    </message>
    <message>
        <source>No parameter set</source>
        <translation>未载入参数集</translation>
    </message>
    <message>
        <source>Parameter set</source>
        <translation>参数集</translation>
    </message>
    <message>
        <source>The parameter file and the first 8 hexadecimal digits of its SHA-256</source>
        <translation>参数文件及其 SHA-256 的前 8 位十六进制数字</translation>
    </message>
    <message>
        <source>Holding board %1 on %2: the line database cannot check it yet</source>
        <translation>%2 上的电路板 %1 已暂停：产线数据库暂时无法核对它</translation>
    </message>
</context>
<context>
    <name>PortList</name>
    <message>
        <source>(port %1)</source>
        <translation>（端口 %1）</translation>
    </message>
    <message>
        <source>Several ports…</source>
        <translation>多个端口…</translation>
    </message>
</context>
<context>
    <name>ctrlprog-cli</name>
    <message>
        <source>report takes one of --json and --html FILE</source>
        <translation>report 只能带 --json 和 --html FILE 之一</translation>
    </message>
    <message>
        <source>trace needs the SERIAL of a board</source>
        <translation>trace 需要电路板的序列号 SERIAL</translation>
    </message>
    <message>
        <source>trace needs one of --line-db URI and --record FILE</source>
        <translation>trace 需要 --line-db URI 和 --record FILE 之一</translation>
    </message>
    <message>
        <source>a command is missing</source>
        <translation>缺少命令</translation>
    </message>
    <message>
        <source>unexpected argument '%1'</source>
        <translation>多余的参数“%1”</translation>
    </message>
    <message>
        <source>unexpected argument (not shown, as it may hold a password; an address with spaces goes in quotes)</source>
        <translation>多余的参数（可能含有密码，故不显示；含空格的地址须加引号）</translation>
    </message>
    <message>
        <source>an argument does not parse (not shown, as it may hold a password)</source>
        <translation>有参数无法解析（可能含有密码，故不显示）</translation>
    </message>
    <message>
        <source>--line-db needs an address</source>
        <translation>--line-db 需要一个地址</translation>
    </message>
    <message>
        <source>%1 needs a FILE</source>
        <translation>%1 需要一个文件 FILE</translation>
    </message>
    <message>
        <source>unknown command '%1'</source>
        <translation>未知命令“%1”</translation>
    </message>
    <message>
        <source>program needs at least one --port PORT</source>
        <translation>program 至少需要一个 --port PORT</translation>
    </message>
    <message>
        <source>program needs --file FILE</source>
        <translation>program 需要 --file FILE</translation>
    </message>
    <message>
        <source>--count takes a whole number of boards from 1 up, not '%1'</source>
        <translation>--count 需要从 1 起的整数板数，而不是“%1”</translation>
    </message>
    <message>
        <source>--timeout takes seconds above 0, at most 2000000 seconds (about 23 days), not '%1'</source>
        <translation>--timeout 需要大于 0、至多 2000000 秒（约 23 天）的秒数，而不是“%1”</translation>
    </message>
    <message>
        <source>--serial-pattern takes a regular expression, not &apos;%1&apos;</source>
        <translation>--serial-pattern 需要一个正则表达式，而不是“%1”</translation>
    </message>
    <message>
        <source>--rework and --serial-pattern need --scan</source>
        <translation>--rework 和 --serial-pattern 需要与 --scan 一起使用</translation>
    </message>
    <message>
        <source>--line-optional needs --scan and --line-db</source>
        <translation>--line-optional 需要与 --scan 和 --line-db 一起使用</translation>
    </message>
    <message>
        <source>--station takes a name of 1 to %1 bytes</source>
        <translation>--station 需要 1 到 %1 字节的名称</translation>
    </message>
    <message>
        <source>forward needs --line-db URI</source>
        <translation>forward 需要 --line-db URI</translation>
    </message>
    <message>
        <source>report needs one of --line-db URI and --record FILE</source>
        <translation>report 需要 --line-db URI 和 --record FILE 之一</translation>
    </message>
    <message>
        <source>--timeout takes seconds above 0, at most 2000000 seconds (about 23 days), not &apos;%1&apos;</source>
        <translation>--timeout 取大于 0、至多 2000000 秒（约 23 天）的秒数，而不是“%1”</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>board %1 is on %2 and has no result yet</source>
        <translation>电路板 %1 在 %2 上，尚无结果</translation>
    </message>
    <message>
        <source>%1: %2 programmed, %3 failed, %4 lost in %5 s</source>
        <translation>%1：%5 秒内已编程 %2 块，失败 %3 次，断线 %4 次</translation>
    </message>
    <message>
        <source>Line %1 of the parameter file: &quot;%2&quot; is not a choice of %3. The file was not loaded; no parameter was changed.</source>
        <translation>参数文件第 %1 行：“%2”不是 %3 的可选值。文件未载入，参数均未改变。</translation>
    </message>
    <message>
        <source>The parameter file %1 could not be read: %2.</source>
        <translation>无法读取参数文件 %1：%2。</translation>
    </message>
    <message>
        <source>The parameter file %1 could not be stored: %2. The file was not changed.</source>
        <translation>无法保存参数文件 %1：%2。文件未改变。</translation>
    </message>
    <message>
        <source>The parameter file %1 held %2 of the %3 parameters. It was not loaded; no parameter was changed.</source>
        <translation>参数文件 %1 只含 %3 个参数中的 %2 个。文件未载入，参数均未改变。</translation>
    </message>
    <message>
        <source>The parameter file %1 is UTF-16 text; save it as UTF-8 or GBK and load it again.</source>
        <translation>参数文件 %1 是 UTF-16 文本；请另存为 UTF-8 或 GBK 后重新载入。</translation>
    </message>
    <message>
        <source>The parameter file %1 was stored, but written in place: its folder does not allow a new file beside it, so the replace was not atomic.</source>
        <translation>参数文件 %1 已保存，但为原地写入：其所在文件夹不允许在旁边新建文件，因此替换不是原子操作。</translation>
    </message>
    <message>
        <source>The production record %1 cannot be opened: %2.</source>
        <translation>无法打开生产记录 %1：%2。</translation>
    </message>
    <message>
        <source>The production record %1 could not be written: %2. The last board on %3 was programmed but not recorded. The transfer was stopped.</source>
        <translation>无法写入生产记录 %1：%2。%3 上的最后一块板已编程，但未记录。传输已停止。</translation>
    </message>
    <message>
        <source>The production record %1 could not be written: %2. The last board on %3, which may have been programmed, was not recorded. The transfer was stopped.</source>
        <translation>无法写入生产记录 %1：%2。%3 上的最后一块板可能已编程，但未记录。传输已停止。</translation>
    </message>
    <message>
        <source>The production record %1 could not be written: %2. The last event on %3 (%4) was not recorded. The transfer was stopped.</source>
        <translation>无法写入生产记录 %1：%2。%3 上的最后一个事件（%4）未记录。传输已停止。</translation>
    </message>
    <message>
        <source>a text cannot be written in the file's encoding</source>
        <translation>有文字无法以该文件的编码写入</translation>
    </message>
    <message>
        <source>cannot open port %1: %2</source>
        <translation>无法打开端口 %1：%2</translation>
    </message>
    <message>
        <source>cannot watch for signals: %1</source>
        <translation>无法监视信号：%1</translation>
    </message>
    <message>
        <source>cannot write the log to standard output: %1</source>
        <translation>无法将日志写到标准输出：%1</translation>
    </message>
    <message>
        <source>input/output error</source>
        <translation>输入/输出错误</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>这是一个文件夹</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>这不是普通文件</translation>
    </message>
    <message>
        <source>it was removed, renamed or replaced while in use</source>
        <translation>使用期间它被删除、改名或替换</translation>
    </message>
    <message>
        <source>it was truncated or emptied while in use</source>
        <translation>使用期间它被截短或清空</translation>
    </message>
    <message>
        <source>line record: %1 rows left for later in %2: they go at the next run with --line-db, or now with ctrlprog-cli forward --record %2 --line-db URI</source>
        <translation>产线记录：%2 中有 %1 行留待以后发送：下次带 --line-db 运行时发送，或现在用 ctrlprog-cli forward --record %2 --line-db URI 发送</translation>
    </message>
    <message>
        <source>line record: %1 rows set aside in %2, each with the reason</source>
        <translation>产线记录：%1 行已搁置在 %2 中，每行附有原因</translation>
    </message>
    <message>
        <source>line record: %1 rows waiting</source>
        <translation>产线记录：%1 行等待发送</translation>
    </message>
    <message>
        <source>line record: the journal is %1</source>
        <translation>产线记录：日志文件为 %1</translation>
    </message>
    <message>
        <source>line record: the line database's address holds a password, which every user of this computer can read in the process list: use PGPASSWORD, ~/.pgpass or PGPASSFILE instead</source>
        <translation>产线记录：产线数据库地址中含有密码，本机所有用户都能在进程列表中看到它；请改用 PGPASSWORD、~/.pgpass 或 PGPASSFILE</translation>
    </message>
    <message>
        <source>no such file or folder</source>
        <translation>没有该文件或文件夹</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>权限不足</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>磁盘已满</translation>
    </message>
    <message>
        <source>the disk is read-only</source>
        <translation>磁盘为只读</translation>
    </message>
    <message>
        <source>the file is open in another program</source>
        <translation>该文件已在另一个程序中打开</translation>
    </message>
    <message>
        <source>another program held its lock for more than 2 s</source>
        <translation>另一个程序占用其锁超过 2 秒</translation>
    </message>
    <message>
        <source>%1 (process %2) held its lock for more than 2 s</source>
        <translation>%1（进程 %2）占用其锁超过 2 秒</translation>
    </message>
    <message>
        <source>The production record %1 did not take its last %2 events in time; they were not recorded.</source>
        <translation>生产记录 %1 未能及时写入最后 %2 个事件；这些事件未被记录。</translation>
    </message>
    <message>
        <source>the name is too long</source>
        <translation>名称过长</translation>
    </message>
    <message>
        <source>the reading end was closed</source>
        <translation>读取端已关闭</translation>
    </message>
    <message>
        <source>too many levels of symbolic links</source>
        <translation>符号链接层数过多</translation>
    </message>
    <message>
        <source>too many open files</source>
        <translation>打开的文件过多</translation>
    </message>
    <message>
        <source>the serial is empty</source>
        <translation>序列号为空</translation>
    </message>
    <message>
        <source>the serial has %1 characters, more than %2</source>
        <translation>序列号有 %1 个字符，超过 %2 个</translation>
    </message>
    <message>
        <source>the serial holds %1, which is not a printable character</source>
        <translation>序列号含有 %1，这不是可打印字符</translation>
    </message>
    <message>
        <source>the serial does not match the pattern %1</source>
        <translation>序列号不符合格式 %1</translation>
    </message>
    <message>
        <source>at %1 on %2 %3</source>
        <translation>于 %1 在 %2 %3</translation>
    </message>
    <message>
        <source>board %1 on this port has no result yet</source>
        <translation>此端口上的板 %1 尚无结果</translation>
    </message>
    <message>
        <source>while the line database cannot answer, scanned boards are checked against this station&apos;s record alone, and their rows say &quot;record&quot;</source>
        <translation>产线数据库无法应答时，扫描的板只按本工位的记录检查，其记录行注明“record”</translation>
    </message>
    <message>
        <source>cannot check %1 with the line database: the board is held, and asked for again, until it answers</source>
        <translation>无法向产线数据库核对 %1：该板暂停，并反复询问，直到数据库应答</translation>
    </message>
    <message>
        <source>the record %1 was begun before rows named how their board was checked, and a station that goes on without the line database does not add rows of another shape to it: give --record a new file, such as %2</source>
        <translation>记录 %1 建立时记录行尚未注明板的核对方式，不依赖产线数据库继续工作的工位不会向其添加另一种格式的行：请为 --record 指定新文件，例如 %2</translation>
    </message>
    <message>
        <source>board %1 already passed %2; scan another board, or ask the engineer to allow a rework</source>
        <translation>板 %1 已合格（%2）；请扫描另一块板，或请工程师允许返工</translation>
    </message>
    <message>
        <source>%1: serial %2 refused: %3</source>
        <translation>%1：序列号 %2 被拒绝：%3</translation>
    </message>
    <message>
        <source>%1: %2 boards, %3 passed at the first attempt, %4 attempts</source>
        <translation>%1：%2 块板，%3 块一次合格，共 %4 次尝试</translation>
    </message>
    <message>
        <source>no port %1 in this run</source>
        <translation>本次运行中没有端口 %1</translation>
    </message>
    <message>
        <source>the record %1 was begun before rows named their board, and --scan does not add rows of another shape to it: give --record a new file, such as %2</source>
        <translation>记录 %1 建立时各行尚不记录板的序列号，--scan 不会向其中添加另一种格式的行：请为 --record 指定新文件，例如 %2</translation>
    </message>
    <message>
        <source>board %1 cannot be checked against this station&apos;s record: %2</source>
        <translation>板 %1 无法对照本工位的记录检查：%2</translation>
    </message>
    <message>
        <source>the record file %1 cannot be read: %2</source>
        <translation>无法读取记录文件 %1：%2</translation>
    </message>
    <message>
        <source>its lines end in LF alone, not in CR LF as the record writes them (was it converted?), so none of its rows can be read</source>
        <translation>其各行仅以 LF 结尾，而非记录写入时的 CR LF（是否被转换过？），因此其中的行都无法读取</translation>
    </message>
    <message>
        <source>the record file %1 begins with the same row as %2: it is a copy, not a period of its own, and its boards would be counted twice</source>
        <translation>记录文件 %1 的第一行与 %2 相同：它是副本而非单独的时段文件，其中的板会被重复计数</translation>
    </message>
    <message>
        <source>the index cannot be brought up to date with the record: %1</source>
        <translation>索引无法与记录同步：%1</translation>
    </message>
    <message>
        <source>every scanned board is refused until this station&apos;s record can be checked: %1</source>
        <translation>在能够对照本工位的记录检查之前，所有扫描的板都将被拒绝：%1</translation>
    </message>
    <message>
        <source>indexing the record %1: %2%</source>
        <translation>正在为记录 %1 建立索引：%2%</translation>
    </message>
    <message>
        <source>Indexing the record %1 once; the next start opens at once.</source>
        <translation>正在为记录 %1 建立一次索引；下次启动将立即打开。</translation>
    </message>
    <message>
        <source>a record kept in a file per period is not forwarded to the line database: use --record-rotate without --line-db</source>
        <translation>按周期分文件保存的记录不会转发到产线数据库：请在不带 --line-db 的情况下使用 --record-rotate</translation>
    </message>
    <message>
        <source>no port chosen — choose one in the port box</source>
        <translation>未选择端口——请在端口框中选择一个</translation>
    </message>
    <message>
        <source>the port number does not fit 16 bits (-32768 to 32767)</source>
        <translation>端口号超出 16 位范围（-32768 到 32767）</translation>
    </message>
    <message>
        <source>no such device — plug the adapter in</source>
        <translation>没有此设备——请插入适配器</translation>
    </message>
    <message>
        <source>permission denied — install the package&apos;s device rule or join the dialout group</source>
        <translation>没有权限——请安装软件包的设备规则或加入 dialout 组</translation>
    </message>
    <message>
        <source>held by another program</source>
        <translation>被其他程序占用</translation>
    </message>
    <message>
        <source>too many open files — close other programs and try again</source>
        <translation>打开的文件过多——请关闭其他程序后重试</translation>
    </message>
    <message>
        <source>not a serial port — choose another one</source>
        <translation>不是串口——请选择其他端口</translation>
    </message>
    <message>
        <source>the port cannot be opened — check the adapter and try again</source>
        <translation>无法打开端口——请检查适配器后重试</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>LOST</source>
        <translation>断线</translation>
    </message>
    <message>
        <source>RESTORED</source>
        <translation>已恢复</translation>
    </message>
    <message>
        <source>%1 failed, %2 unconfirmed</source>
        <translation>失败 %1，未确认 %2</translation>
    </message>
    <message>
        <source>%1 of %2 scanned boards passed at their first attempt</source>
        <translation>%2 块已扫描电路板中 %1 首次即通过</translation>
    </message>
    <message>
        <source>%1 passed</source>
        <translation>通过 %1</translation>
    </message>
    <message>
        <source>%1 scanned boards passed more than once (trace SERIAL shows where)</source>
        <translation>%1 块已扫描电路板不止一次通过（trace 序列号 可查看在何处）</translation>
    </message>
    <message>
        <source>%1-%2-%3T%4%5</source>
        <translation>%1年%2月%3日 %4%5</translation>
    </message>
    <message>
        <source>%1: boards per hour</source>
        <translation>%1：每小时电路板数</translation>
    </message>
    <message>
        <source>%2-%3 %4</source>
        <translation>%2月%3日 %4</translation>
    </message>
    <message>
        <source>(the connecting user&apos;s own)</source>
        <translation>（连接用户的默认数据库）</translation>
    </message>
    <message>
        <source>1st pass</source>
        <translation>首次通过</translation>
    </message>
    <message>
        <source>Attempts</source>
        <translation>尝试次数</translation>
    </message>
    <message>
        <source>Boards per hour at %1, passed and failed</source>
        <translation>%1 每小时电路板数，通过与失败</translation>
    </message>
    <message>
        <source>Boards per hour</source>
        <translation>每小时电路板数</translation>
    </message>
    <message>
        <source>Boards</source>
        <translation>电路板</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>First pass</source>
        <translation>首次通过</translation>
    </message>
    <message>
        <source>First-pass yield per hour</source>
        <translation>每小时首次通过率</translation>
    </message>
    <message>
        <source>First-pass yield per hour, all stations</source>
        <translation>每小时首次通过率（全部工位）</translation>
    </message>
    <message>
        <source>First-pass yield</source>
        <translation>首次通过率</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>小时</translation>
    </message>
    <message>
        <source>Hours in UTC; made %1</source>
        <translation>小时按 UTC 计；生成于 %1</translation>
    </message>
    <message>
        <source>Hours in local time; made %1</source>
        <translation>小时按本地时间计；生成于 %1</translation>
    </message>
    <message>
        <source>Line database %1</source>
        <translation>产线数据库 %1</translation>
    </message>
    <message>
        <source>Line report</source>
        <translation>产线报告</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>断线</translation>
    </message>
    <message>
        <source>No board was scanned in these hours: first-pass yield needs a record written with --scan.</source>
        <translation>这些小时内没有扫描过电路板：首次通过率需要用 --scan 写入的记录。</translation>
    </message>
    <message>
        <source>No results in these rows.</source>
        <translation>这些记录中没有结果。</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>通过</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>通过</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>Record %1</source>
        <translation>记录 %1</translation>
    </message>
    <message>
        <source>Scanned</source>
        <translation>已扫描</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>工位</translation>
    </message>
    <message>
        <source>Table</source>
        <translation>明细表</translation>
    </message>
    <message>
        <source>UNCONFIRMED</source>
        <translation>未确认</translation>
    </message>
    <message>
        <source>Unconfirmed</source>
        <translation>未确认</translation>
    </message>
    <message>
        <source>Yield</source>
        <translation>良率</translation>
    </message>
    <message>
        <source>attempts</source>
        <translation>尝试</translation>
    </message>
    <message>
        <source>boards</source>
        <translation>电路板</translation>
    </message>
    <message>
        <source>ctrlprog line report</source>
        <translation>ctrlprog 产线报告</translation>
    </message>
    <message>
        <source>en</source>
        <translation>zh-CN</translation>
    </message>
    <message>
        <source>failed or unconfirmed</source>
        <translation>失败或未确认</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>file</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>first-pass yield is over the %1 scanned boards of %2 only; the %3 results without a serial are not in it</source>
        <translation>首次通过率仅按 %2 块电路板中已扫描的 %1 块计算；没有序列号的 %3 个结果不计在内</translation>
    </message>
    <message>
        <source>fpy</source>
        <translation>首次通过率</translation>
    </message>
    <message>
        <source>frame</source>
        <translation>数据帧</translation>
    </message>
    <message>
        <source>from %1 until %2</source>
        <translation>从 %1 到 %2</translation>
    </message>
    <message>
        <source>hour (UTC)</source>
        <translation>小时（UTC）</translation>
    </message>
    <message>
        <source>hour (local time)</source>
        <translation>小时（本地时间）</translation>
    </message>
    <message>
        <source>lost</source>
        <translation>断线</translation>
    </message>
    <message>
        <source>no row names the board %1</source>
        <translation>没有记录提到电路板 %1</translation>
    </message>
    <message>
        <source>passed</source>
        <translation>通过</translation>
    </message>
    <message>
        <source>port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>scanned</source>
        <translation>已扫描</translation>
    </message>
    <message>
        <source>since %1</source>
        <translation>自 %1 起</translation>
    </message>
    <message>
        <source>station</source>
        <translation>工位</translation>
    </message>
    <message>
        <source>the report is in %1</source>
        <translation>报告已写入 %1</translation>
    </message>
    <message>
        <source>time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>total</source>
        <translation>合计</translation>
    </message>
    <message>
        <source>try</source>
        <translation>次</translation>
    </message>
    <message>
        <source>unconf.</source>
        <translation>未确认</translation>
    </message>
    <message>
        <source>until %1</source>
        <translation>至 %1 止</translation>
    </message>
    <message>
        <source>yield</source>
        <translation>良率</translation>
    </message>
    <message>
        <source>the line database refused this station: its user name or password is wrong</source>
        <translation>产线数据库拒绝了本工位：用户名或密码错误</translation>
    </message>
    <message>
        <source>the line database refused this station: the server lets this user in from nowhere this station connects from, or knows no such user</source>
        <translation>产线数据库拒绝了本工位：服务器不允许该用户从本工位所在位置登录，或没有这个用户</translation>
    </message>
    <message>
        <source>the line database refused this station: the server holds no database of the name the address gives</source>
        <translation>产线数据库拒绝了本工位：服务器上没有地址中所写名称的数据库</translation>
    </message>
    <message>
        <source>the line database refused this station: its user lacks a right it needs (make it a member of ctrlprog_station)</source>
        <translation>产线数据库拒绝了本工位：该用户缺少所需的权限（请将其加入 ctrlprog_station）</translation>
    </message>
    <message>
        <source>the line database has no table ctrlprog_rows, or this user may not see it (run packaging/line-db.sql)</source>
        <translation>产线数据库中没有 ctrlprog_rows 表，或该用户无权查看（请运行 packaging/line-db.sql）</translation>
    </message>
    <message>
        <source>the table ctrlprog_rows in the line database lacks a column this program uses (see packaging/line-db.sql)</source>
        <translation>产线数据库的 ctrlprog_rows 表缺少本程序使用的列（见 packaging/line-db.sql）</translation>
    </message>
    <message>
        <source>the line database is shutting down; tried again later</source>
        <translation>产线数据库正在关闭；稍后重试</translation>
    </message>
    <message>
        <source>the line database is starting up or recovering; tried again later</source>
        <translation>产线数据库正在启动或恢复；稍后重试</translation>
    </message>
    <message>
        <source>the line database has as many connections as it takes; tried again later</source>
        <translation>产线数据库的连接数已满；稍后重试</translation>
    </message>
    <message>
        <source>the line database&apos;s disk is full; tried again later</source>
        <translation>产线数据库的磁盘已满；稍后重试</translation>
    </message>
    <message>
        <source>the line database is short of memory or another resource; tried again later</source>
        <translation>产线数据库内存或其他资源不足；稍后重试</translation>
    </message>
    <message>
        <source>the line database could not read or write its own files; tried again later</source>
        <translation>产线数据库无法读写自己的文件；稍后重试</translation>
    </message>
    <message>
        <source>the line database cancelled a statement that ran too long; tried again later</source>
        <translation>产线数据库取消了一条执行过久的语句；稍后重试</translation>
    </message>
    <message>
        <source>the line database gave up a statement that met another one; tried again later</source>
        <translation>产线数据库因与另一事务冲突而放弃了一条语句；稍后重试</translation>
    </message>
    <message>
        <source>the connection to the line database failed; tried again later</source>
        <translation>与产线数据库的连接出错；稍后重试</translation>
    </message>
    <message>
        <source>the line database refused a row&apos;s values</source>
        <translation>产线数据库拒收了一行的数值</translation>
    </message>
    <message>
        <source>the line database refused what this station asked</source>
        <translation>产线数据库拒绝了本工位的请求</translation>
    </message>
    <message>
        <source>the line database cannot be reached: no host is named %1</source>
        <translation>无法连接产线数据库：没有名为 %1 的主机</translation>
    </message>
    <message>
        <source>the line database cannot be reached: the name servers cannot be asked about %1</source>
        <translation>无法连接产线数据库：无法向域名服务器查询 %1</translation>
    </message>
    <message>
        <source>the line database&apos;s host name %1 was not looked up in time (the name servers did not answer)</source>
        <translation>产线数据库的主机名 %1 未能及时解析（域名服务器没有应答）</translation>
    </message>
    <message>
        <source>the line database did not answer within %1</source>
        <translation>产线数据库在 %1 内没有应答</translation>
    </message>
    <message>
        <source>the line database gave no answer within %1</source>
        <translation>产线数据库在 %1 内未给出答复</translation>
    </message>
    <message>
        <source>the connection to the line database was lost; tried again later</source>
        <translation>与产线数据库的连接已断开；稍后重试</translation>
    </message>
    <message>
        <source>the line database cannot be reached at its address; tried again later</source>
        <translation>按所给地址无法连接产线数据库；稍后重试</translation>
    </message>
    <message>
        <source>the line database refused this station</source>
        <translation>产线数据库拒绝了本工位</translation>
    </message>
    <message>
        <source>the line database refused this station: the server asks for a password and none is given (use PGPASSWORD, ~/.pgpass or PGPASSFILE)</source>
        <translation>产线数据库拒绝了本工位：服务器要求密码，但未提供（请使用 PGPASSWORD、~/.pgpass 或 PGPASSFILE）</translation>
    </message>
    <message>
        <source>the line database refused this station: the address demands TLS (sslmode), which the server does not speak</source>
        <translation>产线数据库拒绝了本工位：地址要求 TLS（sslmode），但服务器不支持</translation>
    </message>
    <message>
        <source>the line database refused this station: the server is not of the kind target_session_attrs asks for</source>
        <translation>产线数据库拒绝了本工位：服务器不是 target_session_attrs 所要求的类型</translation>
    </message>
    <message>
        <source>the line database was not asked: the station is stopping</source>
        <translation>未询问产线数据库：工位正在停止</translation>
    </message>
    <message>
        <source>the line database cannot be asked: this computer is out of memory</source>
        <translation>无法询问产线数据库：本机内存不足</translation>
    </message>
    <message>
        <source>the server said: %1</source>
        <translation>服务器原话：%1</translation>
    </message>
    <message>
        <source>the line database sent a notice</source>
        <translation>产线数据库发来通知</translation>
    </message>
    <message>
        <source>its column %1 needs a value this program does not write</source>
        <translation>其 %1 列要求一个本程序不写入的值</translation>
    </message>
    <message>
        <source>it has the older shape, keyed on (station, row_no): upgrade it with packaging/line-db.sql</source>
        <translation>它是旧格式，以 (station, row_no) 为键：请用 packaging/line-db.sql 升级</translation>
    </message>
    <message>
        <source>it has no column %1</source>
        <translation>它没有 %1 列</translation>
    </message>
    <message>
        <source>its column %1 is %2, not %3</source>
        <translation>其 %1 列的类型是 %2，而不是 %3</translation>
    </message>
    <message>
        <source>it is missing</source>
        <translation>该表不存在</translation>
    </message>
    <message>
        <source>the table ctrlprog_rows is missing and this station cannot create it (run packaging/line-db.sql)</source>
        <translation>ctrlprog_rows 表不存在，本工位也无法创建它（请运行 packaging/line-db.sql）</translation>
    </message>
    <message>
        <source>it has no unique key on (journal, journal_row)</source>
        <translation>它没有 (journal, journal_row) 上的唯一键</translation>
    </message>
    <message>
        <source>the table ctrlprog_rows in the line database is not as this program writes it: %1 (see packaging/line-db.sql)</source>
        <translation>产线数据库的 ctrlprog_rows 表与本程序写入的格式不符：%1（见 packaging/line-db.sql）</translation>
    </message>
    <message>
        <source>the table ctrlprog_rows in the line database has no sums kept with it, which reports read: upgrade it with packaging/line-db.sql, run as its owner</source>
        <translation>产线数据库的 ctrlprog_rows 表没有报表所读的汇总：请以表的所有者身份运行 packaging/line-db.sql 升级</translation>
    </message>
    <message>
        <source>the table ctrlprog_rows has no hour sums: a report over a long period is slower until its owner runs packaging/line-db.sql</source>
        <translation>ctrlprog_rows 表没有按小时的汇总：在表的所有者运行 packaging/line-db.sql 之前，长时段的报表会较慢</translation>
    </message>
    <message>
        <source>the line database&apos;s table is held by another session; tried again later</source>
        <translation>产线数据库的表正被另一个会话占用；稍后重试</translation>
    </message>
    <message>
        <source>the file cannot be opened or made there (SQLite %1)</source>
        <translation>无法在该处打开或创建此文件（SQLite %1）</translation>
    </message>
    <message>
        <source>the disk is full (SQLite %1)</source>
        <translation>磁盘已满（SQLite %1）</translation>
    </message>
    <message>
        <source>this user may not write it (SQLite %1)</source>
        <translation>当前用户无权写入它（SQLite %1）</translation>
    </message>
    <message>
        <source>the disk could not read or write it (SQLite %1)</source>
        <translation>磁盘无法读写它（SQLite %1）</translation>
    </message>
    <message>
        <source>another program holds it (SQLite %1)</source>
        <translation>另一个程序正占用它（SQLite %1）</translation>
    </message>
    <message>
        <source>it is damaged (SQLite %1)</source>
        <translation>它已损坏（SQLite %1）</translation>
    </message>
    <message>
        <source>there is no memory left (SQLite %1)</source>
        <translation>内存不足（SQLite %1）</translation>
    </message>
    <message>
        <source>SQLite failed (SQLite %1)</source>
        <translation>SQLite 出错（SQLite %1）</translation>
    </message>
    <message>
        <source>the index %1 cannot be opened: %2</source>
        <translation>无法打开索引 %1：%2</translation>
    </message>
    <message>
        <source>the index %1 cannot be used: %2</source>
        <translation>无法使用索引 %1：%2</translation>
    </message>
    <message>
        <source>the record file %1 is not at hand</source>
        <translation>记录文件 %1 不在原处</translation>
    </message>
    <message>
        <source>the record %1 changed under its index</source>
        <translation>记录 %1 在其索引之外被改动</translation>
    </message>
    <message>
        <source>the line database refused to be read: its user lacks a right it needs (make it a member of ctrlprog_report)</source>
        <translation>产线数据库拒绝读取：该用户缺少所需的权限（请将其加入 ctrlprog_report）</translation>
    </message>
    <message>
        <source>%1=%2 (one of: %3)</source>
        <translation>%1=%2（可选值：%3）</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>the index is still reading the rows added to the record: scan the board again in a moment</source>
        <translation>索引仍在读取新加入记录的行：请稍后再扫描该电路板</translation>
    </message>
    <message>
        <source>the table ctrlprog_rows now has its sums kept with it</source>
        <translation>ctrlprog_rows 表现已附带汇总</translation>
    </message>
    <message>
        <source>the table ctrlprog_rows in the line database has no columns serial and attempt: upgrade it with packaging/line-db.sql, run as its owner</source>
        <translation>产线数据库的 ctrlprog_rows 表没有 serial 和 attempt 列：请以表的所有者身份运行 packaging/line-db.sql 升级</translation>
    </message>
    <message>
        <source>the table ctrlprog_rows now has the columns serial and attempt</source>
        <translation>ctrlprog_rows 表现已有 serial 和 attempt 列</translation>
    </message>
    <message>
        <source>the line database&apos;s role %1 may not add rows to ctrlprog_rows (make it a member of ctrlprog_station)</source>
        <translation>产线数据库角色 %1 无权向 ctrlprog_rows 添加行（请将其加入 ctrlprog_station）</translation>
    </message>
    <message>
        <source>the line database&apos;s role %1 may not add rows to ctrlprog_rows as this program adds them: a row already there is told by its key, which needs SELECT on (journal, journal_row) too (make it a member of ctrlprog_station)</source>
        <translation>产线数据库角色 %1 无法按本程序的方式向 ctrlprog_rows 添加行：已有的行靠键识别，这还需要 (journal, journal_row) 上的 SELECT 权限（请将其加入 ctrlprog_station）</translation>
    </message>
    <message>
        <source>the line database takes no writes on this connection (a standby, or default_transaction_read_only)</source>
        <translation>产线数据库在此连接上不接受写入（备用服务器，或设置了 default_transaction_read_only）</translation>
    </message>
    <message>
        <source>the line database refuses every row alike, which is about its table, not the rows; none is set aside, and they are tried again later</source>
        <translation>产线数据库对每一行都以同样原因拒收，问题在表而不在行；没有行被搁置，稍后重试</translation>
    </message>
    <message>
        <source>the line database&apos;s address does not parse</source>
        <translation>无法解析产线数据库的地址</translation>
    </message>
    <message>
        <source>the line database&apos;s address has a bad setting: %1</source>
        <translation>产线数据库的地址中有一项设置无效：%1</translation>
    </message>
    <message>
        <source>line record: the forwarding state %1 does not match its journal&apos;s rows; it is read again from its first row (rows the server has are kept once)</source>
        <translation>产线记录：转发状态 %1 与其日志的行不符；将从第一行重新读取（服务器已有的行只保留一次）</translation>
    </message>
    <message>
        <source>line record: the forwarding state %1 cannot be written: %2; rows may be sent again, never twice</source>
        <translation>产线记录：无法写入转发状态 %1：%2；行可能会再次发送，但不会重复保存</translation>
    </message>
    <message>
        <source>line record: row %1 of %2 was set aside (%3): %4</source>
        <translation>产线记录：%2 的第 %1 行已搁置（%3）：%4</translation>
    </message>
    <message>
        <source>line record: %1 cannot be written; row %2 stays unsent in the journal</source>
        <translation>产线记录：无法写入 %1；第 %2 行留在日志中未发送</translation>
    </message>
    <message>
        <source>line record: %1 is shorter than what was forwarded from it; it is read again from its first row (rows the server has are kept once)</source>
        <translation>产线记录：%1 比已从中转发的内容还短；将从第一行重新读取（服务器已有的行只保留一次）</translation>
    </message>
    <message>
        <source>line record: %1 no longer holds the rows that were forwarded from it; it is read again from its first row (rows the server has are kept once)</source>
        <translation>产线记录：%1 已不再包含从中转发过的行；将从第一行重新读取（服务器已有的行只保留一次）</translation>
    </message>
    <message>
        <source>line record: %1</source>
        <translation>产线记录：%1</translation>
    </message>
    <message>
        <source>line record: the line database is reachable again</source>
        <translation>产线记录：产线数据库已可再次连接</translation>
    </message>
    <message>
        <source>its lines end in LF alone, not in CR LF as the record writes them (was it converted?), so none of its rows can be read</source>
        <translation>其各行仅以 LF 结尾，而不是记录所写的 CR LF（是否被转换过？），因此无法读取其中任何一行</translation>
    </message>
    <message>
        <source>the record %1 cannot be read: %2</source>
        <translation>无法读取记录 %1：%2</translation>
    </message>
    <message>
        <source>row %1 of %2 was skipped: %3</source>
        <translation>已跳过 %2 的第 %1 行：%3</translation>
    </message>
    <message>
        <source>line record: %1 rows waiting; run this again once the line database is back</source>
        <translation>产线记录：%1 行等待发送；产线数据库恢复后请再次运行</translation>
    </message>
    <message>
        <source>the report %1 cannot be written: %2</source>
        <translation>无法写入报表 %1：%2</translation>
    </message>
    <message>
        <source>--since: no time: %1</source>
        <translation>--since：不是时间：%1</translation>
    </message>
    <message>
        <source>--until: no time: %1</source>
        <translation>--until：不是时间：%1</translation>
    </message>
    <message>
        <source>station %1 has rows from %2 journals written at the same time: a PC cloned from another&apos;s image, or two programs under one station name</source>
        <translation>工位 %1 的行来自 %2 个同时写入的日志：可能是从另一台电脑的镜像克隆的电脑，或两个程序使用同一个工位名</translation>
    </message>
    <message>
        <source>%1; the record is read whole</source>
        <translation>%1；将完整读取记录</translation>
    </message>
    <message>
        <source>cannot write %1 to standard output: %2</source>
        <translation>无法将%1写到标准输出：%2</translation>
    </message>
    <message>
        <source>the help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>the version</source>
        <translation>版本信息</translation>
    </message>
    <message>
        <source>the trace</source>
        <translation>追溯结果</translation>
    </message>
    <message>
        <source>the frame</source>
        <translation>帧</translation>
    </message>
    <message>
        <source>the report</source>
        <translation>报表</translation>
    </message>
    <message>
        <source>standard output is closed</source>
        <translation>标准输出已关闭</translation>
    </message>
    <message>
        <source>cannot write the port list to standard output: %1</source>
        <translation>无法将端口列表写到标准输出：%1</translation>
    </message>
    <message>
        <source>it does not have the record&apos;s fields</source>
        <translation>它不具备记录的各个字段</translation>
    </message>
    <message>
        <source>its journal &quot;%1&quot; and row &quot;%2&quot; are none</source>
        <translation>其日志“%1”和行号“%2”无效</translation>
    </message>
    <message>
        <source>its attempt &quot;%1&quot; is no number</source>
        <translation>其尝试次数“%1”不是数字</translation>
    </message>
    <message>
        <source>its check &quot;%1&quot; is neither line nor record</source>
        <translation>其核对方式“%1”既不是 line 也不是 record</translation>
    </message>
    <message>
        <source>cycle_ms &quot;%1&quot; is no number</source>
        <translation>cycle_ms“%1”不是数字</translation>
    </message>
    <message>
        <source>the time &quot;%1&quot; is no record time</source>
        <translation>时间“%1”不是记录所用的时间</translation>
    </message>
    <message>
        <source>the frame is not 26 bytes</source>
        <translation>帧不是 26 个字节</translation>
    </message>
    <message>
        <source>cycle_ms %1 is out of range</source>
        <translation>cycle_ms %1 超出范围</translation>
    </message>
    <message>
        <source>the station name is empty or longer than %1 bytes</source>
        <translation>工位名为空或长于 %1 个字节</translation>
    </message>
    <message>
        <source>the port or file name is longer than %1 bytes</source>
        <translation>端口名或文件名长于 %1 个字节</translation>
    </message>
    <message>
        <source>the serial is longer than %1 bytes, or has no attempt</source>
        <translation>序列号长于 %1 个字节，或没有尝试次数</translation>
    </message>
    <message>
        <source>the result &quot;%1&quot; is none of the record&apos;s</source>
        <translation>结果“%1”不是记录所用的结果之一</translation>
    </message>
    <message>
        <source>the line database refused it; the server said: %1</source>
        <translation>产线数据库拒收了该行；服务器原话：%1</translation>
    </message>
</context>
<context>
    <name>PortsDialog</name>
    <message>
        <source>Ports of the fixture</source>
        <translation>工装的端口</translation>
    </message>
    <message>
        <source>Choose the ports of the fixture's sockets (Ctrl or Shift for more than one):</source>
        <translation>选择工装各插座的端口（按住 Ctrl 或 Shift 可多选）：</translation>
    </message>
    <message>
        <source>Ports</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>&amp;Other port:</source>
        <translation>其他端口(&amp;O)：</translation>
    </message>
    <message>
        <source>Other port</source>
        <translation>其他端口</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>添加(&amp;A)</translation>
    </message>
</context>
<context>
    <name>Fixture</name>
    <message>
        <source>Fixture</source>
        <translation>工装</translation>
    </message>
    <message>
        <source>Stop %1</source>
        <translation>停止 %1</translation>
    </message>
</context>
<context>
    <name>ScanDesk</name>
    <message>
        <source>scan here %1</source>
        <translation>在此扫描 %1</translation>
    </message>
    <message>
        <source>%1 waits</source>
        <translation>%1 等待</translation>
    </message>
    <message>
        <source>already passed</source>
        <translation>已经通过</translation>
    </message>
    <message>
        <source>not a serial</source>
        <translation>不是序列号</translation>
    </message>
    <message>
        <source>on another socket</source>
        <translation>在另一工位</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>已拒绝</translation>
    </message>
    <message>
        <source>cannot check</source>
        <translation>无法核对</translation>
    </message>
</context>
<context>
    <name>Start</name>
    <message>
        <source>The station&apos;s configuration %1 cannot be read: %2.</source>
        <translation>无法读取本工位的配置 %1：%2。</translation>
    </message>
    <message>
        <source>The station&apos;s configuration %1 is not an INI file.</source>
        <translation>本工位的配置 %1 不是 INI 文件。</translation>
    </message>
    <message>
        <source>The station&apos;s configuration %1 has a key %2 it does not know.</source>
        <translation>本工位的配置 %1 含有无法识别的键 %2。</translation>
    </message>
    <message>
        <source>The station&apos;s configuration %1 gives %2 = &quot;%3&quot;; it takes true or false.</source>
        <translation>本工位的配置 %1 中 %2 = &quot;%3&quot;；只能为 true 或 false。</translation>
    </message>
    <message>
        <source>The station&apos;s configuration %1 gives sha256 = &quot;%2&quot;; it takes the 64 hexadecimal digits of the parameter file&apos;s SHA-256.</source>
        <translation>本工位的配置 %1 中 sha256 = &quot;%2&quot;；应为参数文件 SHA-256 的 64 位十六进制数字。</translation>
    </message>
    <message>
        <source>The station&apos;s configuration %1 locks the station but does not name its parameter file (file) and the file&apos;s SHA-256 (sha256).</source>
        <translation>本工位的配置 %1 锁定了工位，但未指明参数文件（file）及其 SHA-256（sha256）。</translation>
    </message>
    <message>
        <source>The parameter file %1 cannot be read to check it is the station&apos;s set: %2.</source>
        <translation>无法读取参数文件 %1 以核对它是否为本工位的参数集：%2。</translation>
    </message>
    <message>
        <source>The parameter file %1 has changed since the station was set up: its SHA-256 is %2, the station&apos;s configuration %3 names %4. Nothing is programmed until an engineer sets the station up again.</source>
        <translation>参数文件 %1 在工位设置后已被改动：其 SHA-256 为 %2，而本工位的配置 %3 指定的是 %4。在工程师重新设置工位之前，不会对任何电路板编程。</translation>
    </message>
    <message>
        <source>%1 sets this station up; the options given besides are not taken: %2</source>
        <translation>本工位由 %1 设置；另外给出的选项不被采用：%2</translation>
    </message>
    <message>
        <source>The station&apos;s configuration %1 gives a SHA-256 but no parameter file (file).</source>
        <translation>本工位的配置 %1 给出了 SHA-256，却未指明参数文件（file）。</translation>
    </message>
    <message>
        <source>The station&apos;s configuration %1: %2</source>
        <translation>本工位的配置 %1：%2</translation>
    </message>
    <message>
        <source>--station takes a name of 1 to %1 bytes</source>
        <translation>--station 需要 1 到 %1 字节的名称</translation>
    </message>
    <message>
        <source>--lock needs --load FILE, the set the station programs.</source>
        <translation>--lock 需要 --load 文件：本工位编程所用的参数集。</translation>
    </message>
    <message>
        <source>--rework and --serial-pattern need --scan</source>
        <translation>--rework 和 --serial-pattern 需要 --scan</translation>
    </message>
    <message>
        <source>--serial-pattern takes a regular expression, not &apos;%1&apos;</source>
        <translation>--serial-pattern 需要一个正则表达式，而不是“%1”</translation>
    </message>
    <message>
        <source>--line-optional needs --scan and --line-db</source>
        <translation>--line-optional 需要与 --scan 和 --line-db 一起使用</translation>
    </message>
    <message>
        <source>--station-config needs the name of a station&apos;s configuration file.</source>
        <translation>--station-config 需要工位配置文件的名称。</translation>
    </message>
    <message>
        <source>ctrlprog</source>
        <translation>ctrlprog 电机控制器编程</translation>
    </message>
</context>
</TS>
