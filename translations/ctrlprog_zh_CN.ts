<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ResultPanel</name>
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
        <source>held by another program</source>
        <translation>被其他程序占用</translation>
    </message>
    <message>
        <source>permission denied — install the package's device rule or join the dialout group</source>
        <translation>没有权限——请安装软件包的设备规则或加入 dialout 组</translation>
    </message>
    <message>
        <source>no such device — plug the adapter in</source>
        <translation>没有此设备——请插入适配器</translation>
    </message>
    <message>
        <source>too many open files — close other programs and try again</source>
        <translation>打开的文件过多——请关闭其他程序后重试</translation>
    </message>
    <message>
        <source>not a serial port — choose another one</source>
        <translation>不是串口——请选择其他端口</translation>
    </message>
</context>
<context>
    <name>PortList</name>
    <message>
        <source>(port %1)</source>
        <translation>（端口 %1）</translation>
    </message>
</context>
<context>
    <name>ctrlprog-cli</name>
    <message>
        <source>a command is missing</source>
        <translation>缺少命令</translation>
    </message>
    <message>
        <source>unexpected argument '%1'</source>
        <translation>多余的参数“%1”</translation>
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
</context>
</TS>
