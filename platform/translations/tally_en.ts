<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ConsoleForm</name>
    <message>
        <source>ZIDID 显示控制器</source>
        <translation>ZIDID Tally Console</translation>
    </message>
    <message>
        <source>选择串行端口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>单色显示模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>对应并行输入</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>设备地址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>显示设备地址</source>
        <translation>Show address</translation>
    </message>
    <message>
        <source>从PROM下载</source>
        <translation>Read PROM</translation>
    </message>
    <message>
        <source>上传到PROM</source>
        <translation>Write PROM</translation>
    </message>
    <message>
        <source>从RAM复制到PROM</source>
        <translation>RAM to PROM</translation>
    </message>
    <message>
        <source>发送字符到RAM</source>
        <translation>Text to RAM</translation>
    </message>
    <message>
        <source>从RAM下载</source>
        <translation>Read RAM</translation>
    </message>
    <message>
        <source>上传到RAM</source>
        <translation>Write RAM</translation>
    </message>
    <message>
        <source>从PROM复制到RAM</source>
        <translation>PROM to RAM</translation>
    </message>
    <message>
        <source>打开文件 ...</source>
        <translation>Open file ...</translation>
    </message>
    <message>
        <source>保存文件 ...</source>
        <translation>Save file ...</translation>
    </message>
    <message>
        <source>清屏</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>闪烁</source>
        <translation>Flash</translation>
    </message>
    <message>
        <source>设置设备的地址</source>
        <translation>Set address</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>DemoForm</name>
    <message>
        <source>选择串行端口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>显示设备地址</source>
        <translation>Show address</translation>
    </message>
    <message>
        <source>字符发送</source>
        <translation>Send text</translation>
    </message>
    <message>
        <source>虚拟并行输入</source>
        <translation>Virtual inputs</translation>
    </message>
</context>
<context>
    <name>SimulatorForm</name>
    <message>
        <source>ID:</source>
        <translation>ID:</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>Single</source>
        <translation>Single</translation>
    </message>
</context>
<context>
    <name>console::ConsoleWindow</name>
    <message>
        <source>chosen: </source>
        <translation>chosen: </translation>
    </message>
    <message>
        <source>opened: </source>
        <translation>opened: </translation>
    </message>
    <message>
        <source>not opened: </source>
        <translation>not opened: </translation>
    </message>
    <message>
        <source>closed: </source>
        <translation>closed: </translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>宽度1</source>
        <translation>Width 1</translation>
    </message>
    <message>
        <source>宽度2</source>
        <translation>Width 2</translation>
    </message>
    <message>
        <source>宽度3</source>
        <translation>Width 3</translation>
    </message>
    <message>
        <source>宽度4</source>
        <translation>Width 4</translation>
    </message>
    <message>
        <source>宽度5</source>
        <translation>Width 5</translation>
    </message>
    <message>
        <source>宽度6</source>
        <translation>Width 6</translation>
    </message>
    <message>
        <source>宽度7</source>
        <translation>Width 7</translation>
    </message>
    <message>
        <source>反色</source>
        <translation>Inverse</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>执行此操作时控制线只能连接单独一个泰丽灯！</source>
        <translation>Only one tally unit may be on the control line while doing this!</translation>
    </message>
    <message>
        <source>Warning!</source>
        <translation>Warning!</translation>
    </message>
    <message>
        <source>The programed data will been replaced!<byte value="xd"/>
Do you want to go on?</source>
        <translation>The programed data will been replaced!<byte value="xd"/>
Do you want to go on?</translation>
    </message>
    <message>
        <source>点阵文件(*.LED)|*.LED|所有文件(*.*)|*.*|</source>
        <translation>Dot images(*.LED)|*.LED|All files(*.*)|*.*|</translation>
    </message>
    <message>
        <source>Not sent: </source>
        <translation>Not sent: </translation>
    </message>
</context>
<context>
    <name>console::LineLog</name>
    <message>
        <source> address </source>
        <translation> address </translation>
    </message>
    <message>
        <source>, checksum </source>
        <translation>, checksum </translation>
    </message>
    <message>
        <source>, image </source>
        <translation>, image </translation>
    </message>
    <message>
        <source>, text &quot;%1&quot;</source>
        <translation>, text &quot;%1&quot;</translation>
    </message>
    <message>
        <source>, mode byte </source>
        <translation>, mode byte </translation>
    </message>
    <message>
        <source>, input </source>
        <translation>, input </translation>
    </message>
    <message>
        <source>, no inputs</source>
        <translation>, no inputs</translation>
    </message>
    <message>
        <source>, inputs </source>
        <translation>, inputs </translation>
    </message>
    <message>
        <source>, new address </source>
        <translation>, new address </translation>
    </message>
    <message>
        <source>: checksum ok</source>
        <translation>: checksum ok</translation>
    </message>
    <message>
        <source>: checksum mismatch: %1, expected %2</source>
        <translation>: checksum mismatch: %1, expected %2</translation>
    </message>
    <message>
        <source> done</source>
        <translation> done</translation>
    </message>
    <message>
        <source>: flag </source>
        <translation>: flag </translation>
    </message>
    <message>
        <source>: PGM input %1, PVW input %2</source>
        <translation>: PGM input %1, PVW input %2</translation>
    </message>
    <message>
        <source>: address </source>
        <translation>: address </translation>
    </message>
    <message>
        <source> none</source>
        <translation> none</translation>
    </message>
    <message>
        <source>: unknown error code</source>
        <translation>: unknown error code</translation>
    </message>
    <message>
        <source>: wrong length, not acted upon</source>
        <translation>: wrong length, not acted upon</translation>
    </message>
    <message>
        <source>another controller: </source>
        <translation>another controller: </translation>
    </message>
    <message>
        <source>unknown reply</source>
        <translation>unknown reply</translation>
    </message>
    <message>
        <source>not a command</source>
        <translation>not a command</translation>
    </message>
    <message>
        <source>port</source>
        <translation>port</translation>
    </message>
    <message>
        <source>incomplete frame</source>
        <translation>incomplete frame</translation>
    </message>
    <message>
        <source>outside any frame</source>
        <translation>outside any frame</translation>
    </message>
    <message>
        <source>NOT SENT (%1)</source>
        <translation>NOT SENT (%1)</translation>
    </message>
</context>
<context>
    <name>console::LineLogModel</name>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Dir</source>
        <translation>Dir</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>Meaning</source>
        <translation>Meaning</translation>
    </message>
    <message>
        <source>Hex</source>
        <translation>Hex</translation>
    </message>
</context>
<context>
    <name>console::LineLogWindow</name>
    <message>
        <source>Sent →</source>
        <translation>Sent →</translation>
    </message>
    <message>
        <source>Received ←</source>
        <translation>Received ←</translation>
    </message>
    <message>
        <source>Errors only</source>
        <translation>Errors only</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>Save as...</translation>
    </message>
    <message>
        <source>Hex</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>Text(*.txt)|*.txt|All(*.*)|*.*|</source>
        <translation>Text(*.txt)|*.txt|All(*.*)|*.*|</translation>
    </message>
    <message>
        <source>Warning!</source>
        <translation>Warning!</translation>
    </message>
    <message>
        <source>Cannot save %1: %2</source>
        <translation>Cannot save %1: %2</translation>
    </message>
    <message>
        <source>%1 rows shown of %2</source>
        <translation>%1 rows shown of %2</translation>
    </message>
    <message>
        <source>; %1 older rows dropped (the log keeps the last %2)</source>
        <translation>; %1 older rows dropped (the log keeps the last %2)</translation>
    </message>
    <message>
        <source>; paused, still recording</source>
        <translation>; paused, still recording</translation>
    </message>
    <message>
        <source>线路记录 - Line log</source>
        <translation>Line log</translation>
    </message>
</context>
<context>
    <name>demo::DemoWindow</name>
    <message>
        <source>Kandrel</source>
        <translation>Kandrel Tally Demo</translation>
    </message>
</context>
<context>
    <name>platform</name>
    <message>
        <source>Prompt</source>
        <translation>Prompt</translation>
    </message>
</context>
<context>
    <name>platform::DeviceAccess</name>
    <message>
        <source>absent</source>
        <translation type="unfinished">absent</translation>
    </message>
    <message>
        <source>busy: held by another program</source>
        <translation>busy: held by another program</translation>
    </message>
    <message>
        <source>permission denied: %1:%2 %3, the user is %4</source>
        <translation>permission denied: %1:%2 %3, the user is %4</translation>
    </message>
    <message>
        <source>; the user needs to be in the dialout group</source>
        <translation>; the user needs to be in the dialout group</translation>
    </message>
    <message>
        <source>; the user is in the dialout group, but this session is not yet: log in again</source>
        <translation>; the user is in the dialout group, but this session is not yet: log in again</translation>
    </message>
</context>
<context>
    <name>platform::PortList</name>
    <message>
        <source>no device: absent</source>
        <translation>no device: absent</translation>
    </message>
    <message>
        <source>%1: absent</source>
        <translation>%1: absent</translation>
    </message>
</context>
<context>
    <name>platform::PortTitle</name>
    <message>
        <source>%1 lost</source>
        <translation>%1 lost</translation>
    </message>
</context>
<context>
    <name>platform::SerialComm</name>
    <message>
        <source>Invalid port number %1</source>
        <translation>Invalid port number %1</translation>
    </message>
    <message>
        <source>%1: port already open</source>
        <translation>%1: port already open</translation>
    </message>
    <message>
        <source>writing to %1 failed</source>
        <translation>writing to %1 failed</translation>
    </message>
    <message>
        <source>no serial port open</source>
        <translation>no serial port open</translation>
    </message>
</context>
<context>
    <name>simulator::SimulatorWindow</name>
    <message>
        <source>VELK</source>
        <translation>VELK</translation>
    </message>
    <message>
        <source> lost</source>
        <translation> lost</translation>
    </message>
    <message>
        <source>VELK Tally Simulater</source>
        <translation>VELK Tally Simulator</translation>
    </message>
</context>
<context>
    <name>unit::UnitView</name>
    <message>
        <source>mode %1%2</source>
        <translation>mode %1%2</translation>
    </message>
    <message>
        <source>  flash</source>
        <translation>  flash</translation>
    </message>
</context>
<context>
    <name>unit::UnitWindow</name>
    <message>
        <source>虚拟泰丽灯 - %1</source>
        <translation>Virtual Tally Unit - %1</translation>
    </message>
    <message>
        <source>Virtual units on %1</source>
        <translation>Virtual units on %1</translation>
    </message>
</context>
</TS>
