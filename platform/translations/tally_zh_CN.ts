<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>ConsoleForm</name>
    <message>
        <source>ZIDID 显示控制器</source>
        <translation>ZIDID 显示控制器</translation>
    </message>
    <message>
        <source>选择串行端口</source>
        <translation>选择串行端口</translation>
    </message>
    <message>
        <source>单色显示模式</source>
        <translation>单色显示模式</translation>
    </message>
    <message>
        <source>对应并行输入</source>
        <translation>对应并行输入</translation>
    </message>
    <message>
        <source>设备地址：</source>
        <translation>设备地址：</translation>
    </message>
    <message>
        <source>显示设备地址</source>
        <translation>显示设备地址</translation>
    </message>
    <message>
        <source>从PROM下载</source>
        <translation>从PROM下载</translation>
    </message>
    <message>
        <source>上传到PROM</source>
        <translation>上传到PROM</translation>
    </message>
    <message>
        <source>从RAM复制到PROM</source>
        <translation>从RAM复制到PROM</translation>
    </message>
    <message>
        <source>发送字符到RAM</source>
        <translation>发送字符到RAM</translation>
    </message>
    <message>
        <source>从RAM下载</source>
        <translation>从RAM下载</translation>
    </message>
    <message>
        <source>上传到RAM</source>
        <translation>上传到RAM</translation>
    </message>
    <message>
        <source>从PROM复制到RAM</source>
        <translation>从PROM复制到RAM</translation>
    </message>
    <message>
        <source>打开文件 ...</source>
        <translation>打开文件 ...</translation>
    </message>
    <message>
        <source>保存文件 ...</source>
        <translation>保存文件 ...</translation>
    </message>
    <message>
        <source>清屏</source>
        <translation>清屏</translation>
    </message>
    <message>
        <source>闪烁</source>
        <translation>闪烁</translation>
    </message>
    <message>
        <source>设置设备的地址</source>
        <translation>设置设备的地址</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>DemoForm</name>
    <message>
        <source>选择串行端口</source>
        <translation>选择串行端口</translation>
    </message>
    <message>
        <source>显示设备地址</source>
        <translation>显示设备地址</translation>
    </message>
    <message>
        <source>字符发送</source>
        <translation>字符发送</translation>
    </message>
    <message>
        <source>虚拟并行输入</source>
        <translation>虚拟并行输入</translation>
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
        <translation>已选择：</translation>
    </message>
    <message>
        <source>opened: </source>
        <translation>已打开：</translation>
    </message>
    <message>
        <source>not opened: </source>
        <translation>未能打开：</translation>
    </message>
    <message>
        <source>closed: </source>
        <translation>已关闭：</translation>
    </message>
    <message>
        <source>无</source>
        <translation>无</translation>
    </message>
    <message>
        <source>宽度1</source>
        <translation>宽度1</translation>
    </message>
    <message>
        <source>宽度2</source>
        <translation>宽度2</translation>
    </message>
    <message>
        <source>宽度3</source>
        <translation>宽度3</translation>
    </message>
    <message>
        <source>宽度4</source>
        <translation>宽度4</translation>
    </message>
    <message>
        <source>宽度5</source>
        <translation>宽度5</translation>
    </message>
    <message>
        <source>宽度6</source>
        <translation>宽度6</translation>
    </message>
    <message>
        <source>宽度7</source>
        <translation>宽度7</translation>
    </message>
    <message>
        <source>反色</source>
        <translation>反色</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>执行此操作时控制线只能连接单独一个泰丽灯！</source>
        <translation>执行此操作时控制线只能连接单独一个泰丽灯！</translation>
    </message>
    <message>
        <source>Warning!</source>
        <translation>Warning!</translation>
    </message>
    <message>
        <source>The programed data will been replaced!<byte value="xd"/>
Do you want to go on?</source>
        <translation>The programed data will been replaced!
Do you want to go on?</translation>
    </message>
    <message>
        <source>点阵文件(*.LED)|*.LED|所有文件(*.*)|*.*|</source>
        <translation>点阵文件(*.LED)|*.LED|所有文件(*.*)|*.*|</translation>
    </message>
    <message>
        <source>Not sent: </source>
        <translation>未发送：</translation>
    </message>
</context>
<context>
    <name>console::LineLog</name>
    <message>
        <source> address </source>
        <translation> 地址 </translation>
    </message>
    <message>
        <source>, checksum </source>
        <translation>，校验和 </translation>
    </message>
    <message>
        <source>, image </source>
        <translation>，图像 </translation>
    </message>
    <message>
        <source>, text &quot;%1&quot;</source>
        <translation>，文字“%1”</translation>
    </message>
    <message>
        <source>, mode byte </source>
        <translation>，模式字节 </translation>
    </message>
    <message>
        <source>, input </source>
        <translation>，输入 </translation>
    </message>
    <message>
        <source>, no inputs</source>
        <translation>，无输入</translation>
    </message>
    <message>
        <source>, inputs </source>
        <translation>，输入 </translation>
    </message>
    <message>
        <source>, new address </source>
        <translation>，新地址 </translation>
    </message>
    <message>
        <source>: checksum ok</source>
        <translation>：校验和正确</translation>
    </message>
    <message>
        <source>: checksum mismatch: %1, expected %2</source>
        <translation>：校验和不符：%1，应为 %2</translation>
    </message>
    <message>
        <source> done</source>
        <translation> 完成</translation>
    </message>
    <message>
        <source>: flag </source>
        <translation>：标志 </translation>
    </message>
    <message>
        <source>: PGM input %1, PVW input %2</source>
        <translation>：PGM 输入 %1，PVW 输入 %2</translation>
    </message>
    <message>
        <source>: address </source>
        <translation>：地址 </translation>
    </message>
    <message>
        <source> none</source>
        <translation> 无</translation>
    </message>
    <message>
        <source>: unknown error code</source>
        <translation>：未知错误代码</translation>
    </message>
    <message>
        <source>: wrong length, not acted upon</source>
        <translation>：长度不对，未执行</translation>
    </message>
    <message>
        <source>another controller: </source>
        <translation>另一控制器：</translation>
    </message>
    <message>
        <source>unknown reply</source>
        <translation>未知回复</translation>
    </message>
    <message>
        <source>not a command</source>
        <translation>不是命令</translation>
    </message>
    <message>
        <source>port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>incomplete frame</source>
        <translation>不完整的帧</translation>
    </message>
    <message>
        <source>outside any frame</source>
        <translation>帧外字节</translation>
    </message>
    <message>
        <source>NOT SENT (%1)</source>
        <translation>未发送（%1）</translation>
    </message>
</context>
<context>
    <name>console::LineLogModel</name>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Dir</source>
        <translation>方向</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation>帧</translation>
    </message>
    <message>
        <source>Meaning</source>
        <translation>含义</translation>
    </message>
    <message>
        <source>Hex</source>
        <translation>十六进制</translation>
    </message>
</context>
<context>
    <name>console::LineLogWindow</name>
    <message>
        <source>Sent →</source>
        <translation>发送 →</translation>
    </message>
    <message>
        <source>Received ←</source>
        <translation>接收 ←</translation>
    </message>
    <message>
        <source>Errors only</source>
        <translation>只看错误</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>另存为...</translation>
    </message>
    <message>
        <source>Hex</source>
        <translation>十六进制</translation>
    </message>
    <message>
        <source>Text(*.txt)|*.txt|All(*.*)|*.*|</source>
        <translation>文本(*.txt)|*.txt|全部(*.*)|*.*|</translation>
    </message>
    <message>
        <source>Warning!</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Cannot save %1: %2</source>
        <translation>无法保存 %1：%2</translation>
    </message>
    <message>
        <source>%1 rows shown of %2</source>
        <translation>显示 %1 行，共 %2 行</translation>
    </message>
    <message>
        <source>; %1 older rows dropped (the log keeps the last %2)</source>
        <translation>；较早的 %1 行已丢弃（只保留最后 %2 行）</translation>
    </message>
    <message>
        <source>; paused, still recording</source>
        <translation>；已暂停，仍在记录</translation>
    </message>
    <message>
        <source>线路记录 - Line log</source>
        <translation>线路记录</translation>
    </message>
</context>
<context>
    <name>demo::DemoWindow</name>
    <message>
        <source>Kandrel</source>
        <translation>Kandrel</translation>
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
        <translation>不存在</translation>
    </message>
    <message>
        <source>busy: held by another program</source>
        <translation>被占用：另一程序正在使用</translation>
    </message>
    <message>
        <source>permission denied: %1:%2 %3, the user is %4</source>
        <translation>无权访问：%1:%2 %3，当前用户是 %4</translation>
    </message>
    <message>
        <source>; the user needs to be in the dialout group</source>
        <translation>；该用户需加入 dialout 组</translation>
    </message>
    <message>
        <source>; the user is in the dialout group, but this session is not yet: log in again</source>
        <translation>；该用户已在 dialout 组中，但本次登录尚未生效：请重新登录</translation>
    </message>
</context>
<context>
    <name>platform::PortList</name>
    <message>
        <source>no device: absent</source>
        <translation>无设备：不存在</translation>
    </message>
    <message>
        <source>%1: absent</source>
        <translation>%1：不存在</translation>
    </message>
</context>
<context>
    <name>platform::PortTitle</name>
    <message>
        <source>%1 lost</source>
        <translation>%1 已断开</translation>
    </message>
</context>
<context>
    <name>platform::SerialComm</name>
    <message>
        <source>Invalid port number %1</source>
        <translation>无效的端口号 %1</translation>
    </message>
    <message>
        <source>%1: port already open</source>
        <translation>%1：端口已打开</translation>
    </message>
    <message>
        <source>writing to %1 failed</source>
        <translation>写入 %1 失败</translation>
    </message>
    <message>
        <source>no serial port open</source>
        <translation>未打开串口</translation>
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
        <translation> 已断开</translation>
    </message>
    <message>
        <source>VELK Tally Simulater</source>
        <translation>VELK Tally Simulater</translation>
    </message>
</context>
<context>
    <name>unit::UnitView</name>
    <message>
        <source>mode %1%2</source>
        <translation>模式 %1%2</translation>
    </message>
    <message>
        <source>  flash</source>
        <translation>  闪烁</translation>
    </message>
</context>
<context>
    <name>unit::UnitWindow</name>
    <message>
        <source>虚拟泰丽灯 - %1</source>
        <translation>虚拟泰丽灯 - %1</translation>
    </message>
    <message>
        <source>Virtual units on %1</source>
        <translation>%1 上的虚拟泰丽灯</translation>
    </message>
</context>
</TS>
