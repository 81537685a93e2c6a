-- Installs the petty cash module's float and cash count tables on a suite
-- database (SQL Server), beside the voucher tables of module_tables.sql, with
-- the denominations of the UAE dirham, the US dollar and the euro. Run once
-- per database; it leaves tables that already exist alone.

IF OBJECT_ID(N'dbo.aPCFloat', N'U') IS NULL
  CREATE TABLE dbo.aPCFloat (
    flCompanyID   smallint      NOT NULL,
    flAccountID   int           NOT NULL,
    flImprest     decimal(18,3) NOT NULL,
    flCustodianID int           NULL,
    flSetBy       varchar(50)   NULL,
    flSetTime     datetime      NULL,
    CONSTRAINT pkPCFloat PRIMARY KEY (flCompanyID, flAccountID)
  );
GO

IF OBJECT_ID(N'dbo.aPCCashCount', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.aPCCashCount (
    ccCompanyID     smallint      NOT NULL,
    ccCountID       int           NOT NULL,
    ccCountNo       varchar(50)   NOT NULL,
    ccFinancialID   smallint      NOT NULL,
    ccAccountID     int           NOT NULL,
    ccCountDate     datetime      NOT NULL,
    ccUserName      varchar(50)   NULL,
    ccFloat         decimal(18,3) NOT NULL,
    ccCounted       decimal(18,3) NOT NULL,
    ccVouchersTotal decimal(18,3) NOT NULL,
    ccExpected      decimal(18,3) NOT NULL,
    ccDifference    decimal(18,3) NOT NULL,
    ccReplenishment decimal(18,3) NOT NULL,
    ccExplanation   varchar(250)  NULL,
    CONSTRAINT pkPCCashCount PRIMARY KEY (ccCompanyID, ccCountID)
  );
  CREATE UNIQUE INDEX uxCashCountNo ON dbo.aPCCashCount (ccCompanyID, ccCountNo);
  CREATE INDEX ixCashCountAccount ON dbo.aPCCashCount (ccCompanyID, ccAccountID, ccCountID);
END;
GO

IF OBJECT_ID(N'dbo.aPCCashCountDenominations', N'U') IS NULL
  CREATE TABLE dbo.aPCCashCountDenominations (
    cdCompanyID smallint      NOT NULL,
    cdCountID   int           NOT NULL,
    cdLine      int           NOT NULL,
    cdValue     decimal(18,3) NOT NULL,
    cdQuantity  int           NOT NULL,
    cdAmount    decimal(18,3) NOT NULL,
    CONSTRAINT pkPCCashCountDenominations PRIMARY KEY (cdCompanyID, cdCountID, cdLine)
  );
GO

-- A voucher is covered by one count at most: the key refuses a second.
IF OBJECT_ID(N'dbo.aPCCashCountVouchers', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.aPCCashCountVouchers (
    cvCompanyID smallint NOT NULL,
    cvCountID   int      NOT NULL,
    cvPaymentID int      NOT NULL,
    CONSTRAINT pkPCCashCountVouchers PRIMARY KEY (cvCompanyID, cvPaymentID)
  );
  CREATE INDEX ixCashCountVouchers ON dbo.aPCCashCountVouchers (cvCompanyID, cvCountID);
END;
GO

IF OBJECT_ID(N'dbo.aCurrencyDenominations', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.aCurrencyDenominations (
    dnCurrencyID smallint      NOT NULL,
    dnValue      decimal(18,3) NOT NULL,
    dnKind       varchar(4)    NOT NULL,
    dnOrder      int           NOT NULL,
    CONSTRAINT pkCurrencyDenominations PRIMARY KEY (dnCurrencyID, dnValue)
  );
END;
GO

IF NOT EXISTS (SELECT 1 FROM dbo.aCurrencyDenominations)
BEGIN
  -- The currencies by their symbols in the suite's currency master.
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 1000, 'Note', 1 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 500, 'Note', 2 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 200, 'Note', 3 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 100, 'Note', 4 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 50, 'Note', 5 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 20, 'Note', 6 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 10, 'Note', 7 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 5, 'Note', 8 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 1, 'Coin', 9 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.50, 'Coin', 10 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.25, 'Coin', 11 FROM dbo.aCurrencyMaster WHERE Symbol = 'AED';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 100, 'Note', 1 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 50, 'Note', 2 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 20, 'Note', 3 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 10, 'Note', 4 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 5, 'Note', 5 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 2, 'Note', 6 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 1, 'Note', 7 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.50, 'Coin', 8 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.25, 'Coin', 9 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.10, 'Coin', 10 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.05, 'Coin', 11 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.01, 'Coin', 12 FROM dbo.aCurrencyMaster WHERE Symbol = 'USD';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 500, 'Note', 1 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 200, 'Note', 2 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 100, 'Note', 3 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 50, 'Note', 4 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 20, 'Note', 5 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 10, 'Note', 6 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 5, 'Note', 7 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 2, 'Coin', 8 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 1, 'Coin', 9 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.50, 'Coin', 10 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.20, 'Coin', 11 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.10, 'Coin', 12 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.05, 'Coin', 13 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.02, 'Coin', 14 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
  INSERT INTO dbo.aCurrencyDenominations SELECT CurrencyID, 0.01, 'Coin', 15 FROM dbo.aCurrencyMaster WHERE Symbol = 'EUR';
END;
GO
